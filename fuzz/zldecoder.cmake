# libFuzzer targets of the decoder library: WAVE, MPEG, ZLA and FLAC/Ogg (the whole
# opening path). The library's core is compiled here again with clang and
# the sanitizers; the three C libraries are the system's.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(ZLDEC_FUZZ_DEPS REQUIRED IMPORTED_TARGET libmpg123 sndfile libpng)

set(zldecoder_dir ${QUILLON_ROOT}/zldecoder)
add_library(zldecoder_fuzz_core STATIC
  ${zldecoder_dir}/byte_source.cpp
  ${zldecoder_dir}/file_access.cpp
  ${zldecoder_dir}/mpeg_audio.cpp
  ${zldecoder_dir}/mpeg_frame.cpp
  ${zldecoder_dir}/png_picture.cpp
  ${zldecoder_dir}/stream_info.cpp
  ${zldecoder_dir}/wave_audio.cpp
  ${zldecoder_dir}/zla_reader.cpp
)
string(REPLACE "fuzzer," "fuzzer-no-link," zldecoder_core_flags "${FUZZ_FLAGS}")
target_compile_options(zldecoder_fuzz_core PRIVATE ${zldecoder_core_flags})
target_include_directories(zldecoder_fuzz_core PUBLIC ${zldecoder_dir} ${zldecoder_dir}/fuzz)
target_link_libraries(zldecoder_fuzz_core PUBLIC PkgConfig::ZLDEC_FUZZ_DEPS Threads::Threads)

foreach(kind wave mpeg zla xiph)
  add_executable(zldecoder_${kind}_fuzzer ${zldecoder_dir}/fuzz/${kind}_fuzzer.cpp)
  target_compile_options(zldecoder_${kind}_fuzzer PRIVATE ${FUZZ_FLAGS})
  target_link_options(zldecoder_${kind}_fuzzer PRIVATE ${FUZZ_FLAGS})
  target_link_libraries(zldecoder_${kind}_fuzzer PRIVATE zldecoder_fuzz_core)
endforeach()
