# Type libraries and in-process COM servers.
#
# vorms_type_library(<target> <idl>)
#   Compiles <idl> with widl into <name>.tlb, <name>.h and <name>_i.c (<name> is the
#   IDL file's base name) and embeds the .tlb in <target> as resource TYPELIB 1, where
#   LoadTypeLib and the server's IDispatch find it. Also makes the static library
#   <target>_types: the generated header and the GUIDs, for the server itself and for
#   every C++ client that calls it through its function table.
#
# vorms_com_server(<target>)
#   Makes the shared library <target> an in-process server: links vorms_comserver and
#   exports DllGetClassObject, DllCanUnloadNow, DllRegisterServer, DllUnregisterServer
#   (the library defines them with VORMS_COM_SERVER_EXPORTS, see comserver/com_server.h).

find_program(WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
find_path(WIDL_IDL_DIR oaidl.idl PATHS /usr/include/wine/wine/windows NO_CMAKE_FIND_ROOT_PATH
  REQUIRED)
find_path(WIDL_STDOLE_DIR stdole2.tlb PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)

function(vorms_type_library target idl)
  get_filename_component(idl ${idl} ABSOLUTE)
  get_filename_component(name ${idl} NAME_WE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_types)
  set(tlb ${out}/${name}.tlb)
  set(header ${out}/${name}.h)
  set(guids ${out}/${name}_i.c)
  set(widl ${WIDL} --win64 -I${WIDL_IDL_DIR} -L${WIDL_STDOLE_DIR})
  file(MAKE_DIRECTORY ${out})
  add_custom_command(
    OUTPUT ${tlb} ${header} ${guids}
    COMMAND ${widl} -t -o ${tlb} ${idl}
    COMMAND ${widl} -h -o ${header} ${idl}
    COMMAND ${widl} -u -o ${guids} ${idl}
    DEPENDS ${idl}
    COMMENT "Compiling type library ${name}"
    VERBATIM)

  add_library(${target}_types STATIC ${guids} ${header})
  target_include_directories(${target}_types PUBLIC ${out})
  target_link_libraries(${target}_types PUBLIC oleaut32 ole32 uuid)

  # windres has no dependency scan for the embedded file: name it.
  set(rc ${out}/${name}_typelib.rc)
  file(CONFIGURE OUTPUT ${rc} CONTENT "1 TYPELIB \"${tlb}\"\n")
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${tlb})
  target_sources(${target} PRIVATE ${rc})
  target_link_libraries(${target} PRIVATE ${target}_types)
endfunction()

function(vorms_com_server target)
  target_link_libraries(${target} PRIVATE vorms_comserver)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/comserver/exports.def)
  set_target_properties(${target} PROPERTIES PREFIX "")
endfunction()
