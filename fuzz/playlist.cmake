# libFuzzer target of the playlist's list-file reader (plain C++, no Qt).
set(playlist_dir ${QUILLON_ROOT}/playlist)
add_executable(playlist_list_file_fuzzer
  ${playlist_dir}/fuzz/list_file_fuzzer.cpp ${playlist_dir}/list_file.cpp)
target_include_directories(playlist_list_file_fuzzer PRIVATE ${QUILLON_ROOT})
target_compile_options(playlist_list_file_fuzzer PRIVATE ${FUZZ_FLAGS})
target_link_options(playlist_list_file_fuzzer PRIVATE ${FUZZ_FLAGS})
