# Pictures drawn by our own generators at build time, compiled into an object library of
# resources: `script` (beside the calling CMakeLists) writes `rc_name`, and the files it names,
# into `out_dir`.
function(tralvek_generated_resources target script out_dir rc_name comment)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_custom_command(
    OUTPUT ${out_dir}/${rc_name}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/${script} ${out_dir}
    DEPENDS ${script}
    COMMENT "${comment}")
  add_library(${target} OBJECT ${out_dir}/${rc_name})
endfunction()
