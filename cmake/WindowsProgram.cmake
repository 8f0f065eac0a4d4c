# tolvex_windows_program(TARGET OUTPUT_NAME RESOURCE_SCRIPT SOURCES...): a shipped Windows program
# on the real platform, written to the top of the build folder. Static, no debug information, and
# the loader's protections: address space layout randomisation (high-entropy on x64), no execution
# from data pages, the whole 4 GiB on 64-bit Windows for the x86 build, and on x86 no structured
# exception handler at all (GNU ld writes no SafeSEH table; an image marked without handlers gives
# an overwritten handler record nothing to call, and the code registers none). No time stamp in
# the header: two builds of one commit are the same bytes.
function(tolvex_windows_program target output resources)
  add_executable(${target} WIN32 ${ARGN} ${resources})
  target_link_libraries(${target} PRIVATE tolvex_win32)
  target_link_options(${target} PRIVATE -municode -static -static-libgcc -static-libstdc++ -s
    -Wl,--no-insert-timestamp -Wl,--dynamicbase -Wl,--nxcompat
    $<IF:$<EQUAL:${CMAKE_SIZEOF_VOID_P},8>,-Wl$<COMMA>--high-entropy-va,-Wl$<COMMA>--large-address-aware$<COMMA>--no-seh>)
  get_filename_component(resource_dir ${resources} ABSOLUTE)
  get_filename_component(resource_dir ${resource_dir} DIRECTORY)
  # The resource compiler's includes are not tracked: the script is compiled again whenever any file
  # beside it, or the identifiers, change.
  file(GLOB_RECURSE resource_files CONFIGURE_DEPENDS ${resource_dir}/*)
  set_source_files_properties(${resources} PROPERTIES INCLUDE_DIRECTORIES "${resource_dir};${PROJECT_SOURCE_DIR}"
    OBJECT_DEPENDS "${resource_files};${PROJECT_SOURCE_DIR}/base/ResourceIds.h")
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output} RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
