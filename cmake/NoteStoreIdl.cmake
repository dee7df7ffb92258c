# The note store's Thrift interface (cloud/evernote/notestore.thrift),
# compiled to C++ at build time into the static library lumerith_notestore.
# Its headers are included as "notestore/NoteStore.h" and
# "notestore/notestore_types.h". The Thrift runtime is linked as the shared
# system library; the module's own copy of the generated code stays hidden
# like everything else in corvel.
pkg_check_modules(THRIFT REQUIRED IMPORTED_TARGET thrift)
find_program(THRIFT_COMPILER thrift REQUIRED)

set(NOTESTORE_IDL ${CMAKE_SOURCE_DIR}/cloud/evernote/notestore.thrift)
set(NOTESTORE_GEN_ROOT ${CMAKE_BINARY_DIR}/generated)
set(NOTESTORE_GEN_DIR ${NOTESTORE_GEN_ROOT}/notestore)
set(NOTESTORE_GEN_FILES
  ${NOTESTORE_GEN_DIR}/NoteStore.cpp ${NOTESTORE_GEN_DIR}/NoteStore.h
  ${NOTESTORE_GEN_DIR}/notestore_types.cpp ${NOTESTORE_GEN_DIR}/notestore_types.h)
file(MAKE_DIRECTORY ${NOTESTORE_GEN_DIR})
add_custom_command(
  OUTPUT ${NOTESTORE_GEN_FILES}
  COMMAND ${THRIFT_COMPILER} --gen cpp:no_skeleton,moveable_types
          -out ${NOTESTORE_GEN_DIR} ${NOTESTORE_IDL}
  DEPENDS ${NOTESTORE_IDL}
  COMMENT "Generating the note store interface"
  VERBATIM)

add_library(lumerith_notestore STATIC ${NOTESTORE_GEN_FILES})
set_target_properties(lumerith_notestore PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
target_include_directories(lumerith_notestore SYSTEM PUBLIC ${NOTESTORE_GEN_ROOT})
target_link_libraries(lumerith_notestore PUBLIC PkgConfig::THRIFT)
