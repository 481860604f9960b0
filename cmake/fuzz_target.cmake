# flk_fuzz_target(NAME SOURCES... [LIBS ...] [INCLUDES ...]): the fuzz target NAME over its
# LLVMFuzzerTestOneInput, and the test fuzz_corpus.NAME that runs it once over every file of its
# seed corpus tests/fuzz/NAME/ (the seeds and every crash kept as one).
#
# In a fuzz build (FERROLINK_FUZZ) the target is the libFuzzer binary fuzz_NAME, built by the
# target "fuzzers", and the test runs it without fuzzing under clang's sanitizers. In every other
# build it is replay_NAME, a plain main over the entry point, and the test runs it with the
# compiler of the build: in the sanitizer builds under GCC's sanitizers, elsewhere under valgrind
# when it is installed (fuzz_corpus_memcheck.NAME). The two sanitizers do not see the same
# faults (GCC's drops some checks of byte reads through a pointer a stream re-loads), and
# valgrind sees every access of the code that ships.
find_program(FLK_VALGRIND valgrind)

function(flk_fuzz_target name)
  cmake_parse_arguments(F "" "" "LIBS;INCLUDES" ${ARGN})
  set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/${name})
  if(FERROLINK_FUZZ)
    set(target fuzz_${name})
    add_executable(${target} ${F_UNPARSED_ARGUMENTS})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzzers ${target})
    add_test(NAME fuzz_corpus.${name} COMMAND ${target} -runs=0 ${corpus})
  else()
    set(target replay_${name})
    add_executable(${target} ${F_UNPARSED_ARGUMENTS} ${CMAKE_SOURCE_DIR}/tests/support/fuzz_replay.cpp)
    add_test(NAME fuzz_corpus.${name} COMMAND ${target} ${corpus})
    # Not over a sanitizer's binary: valgrind cannot run one (the thread sanitizer's reserves
    # terabytes of shadow memory, which valgrind tries to back).
    if(FLK_VALGRIND AND NOT FERROLINK_SANITIZE AND NOT FERROLINK_TSAN)
      add_test(NAME fuzz_corpus_memcheck.${name}
               COMMAND ${FLK_VALGRIND} --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite
                       --suppressions=${CMAKE_SOURCE_DIR}/tests/support/valgrind.supp
                       $<TARGET_FILE:${target}> ${corpus})
      # glibc's AVX2 and AVX-512 string functions read whole vectors past the end of a string,
      # which valgrind reports; the baseline ones do not.
      set_tests_properties(fuzz_corpus_memcheck.${name} PROPERTIES
                           ENVIRONMENT "GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-AVX512F,-AVX512VL,-AVX512BW")
    endif()
  endif()
  if(F_INCLUDES)
    target_include_directories(${target} PRIVATE ${F_INCLUDES})
  endif()
  target_link_libraries(${target} PRIVATE ${F_LIBS})
endfunction()
