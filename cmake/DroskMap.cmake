# After linking, writes "<binary>.map" beside a binary: the text map from which the crash
# library names our own functions, units and lines in a stack trace.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(DROSK_OBJDUMP i686-w64-mingw32-objdump REQUIRED)
find_program(DROSK_NM i686-w64-mingw32-nm REQUIRED)

function(drosk_write_map target)
  set(linker_map ${CMAKE_CURRENT_BINARY_DIR}/${target}.linkmap)
  target_link_options(${target} PRIVATE -Wl,-Map=${linker_map})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/crashreport/tools/drosk_map_tool.py
            ${DROSK_OBJDUMP} ${DROSK_NM} $<TARGET_FILE:${target}> ${linker_map}
            $<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.map
    COMMENT "Debug map of ${target}"
    VERBATIM)
endfunction()
