# Molvaren.dll: the export table comes from a .def file made from
# tests/exports.txt, the same list the Linux build's export test holds the
# shared object to, so an export added there cannot be missing here.
set(MOLVAREN_EXPORT_LIST ${PROJECT_SOURCE_DIR}/tests/exports.txt)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${MOLVAREN_EXPORT_LIST})
file(STRINGS ${MOLVAREN_EXPORT_LIST} MOLVAREN_EXPORT_NAMES REGEX "^Mlvr_[A-Za-z0-9_]+$")
list(SORT MOLVAREN_EXPORT_NAMES)
set(MOLVAREN_DEF_TEXT "LIBRARY Molvaren\nEXPORTS\n")
foreach(name ${MOLVAREN_EXPORT_NAMES})
  string(APPEND MOLVAREN_DEF_TEXT "    ${name}\n")
endforeach()
set(MOLVAREN_DEF_FILE ${PROJECT_BINARY_DIR}/Molvaren.def)
file(CONFIGURE OUTPUT ${MOLVAREN_DEF_FILE} CONTENT "${MOLVAREN_DEF_TEXT}")

target_sources(molvaren PRIVATE ${MOLVAREN_DEF_FILE})
set_target_properties(molvaren PROPERTIES PREFIX "" OUTPUT_NAME Molvaren
                      RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
target_link_options(molvaren PRIVATE -Wl,--no-undefined)
