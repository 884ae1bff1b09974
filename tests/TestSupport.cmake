# The test support library, shared by the test suites and the benchmarks
# (either may be built without the other).
add_library(KAVTestSupport STATIC
  ${CMAKE_SOURCE_DIR}/tests/TestSupport.cpp
  ${CMAKE_SOURCE_DIR}/tests/ReferenceKernel.cpp)
target_include_directories(KAVTestSupport PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(KAVTestSupport PUBLIC KAVInternalHeaders KAVPlatform
  GTest::gtest GTest::gmock ${CMAKE_DL_LIBS})
target_compile_definitions(KAVTestSupport PUBLIC
  "KAV_TEST_KERNEL_DIR=\"${KAV_KERNEL_DIR}\""
  "KAV_TEST_SOURCE_DIR=\"${CMAKE_SOURCE_DIR}\"")
# A cross build's programs run under the emulator of its toolchain file
# (CMAKE_CROSSCOMPILING_EMULATOR); KAV_TEST_EMULATOR holds it as quoted
# shell words, each followed by a blank, for the tests that start a program
# of the build themselves (ProgramCommand in TestSupport.h).
set(KAV_TEST_EMULATOR "")
foreach(word IN LISTS CMAKE_CROSSCOMPILING_EMULATOR)
  string(APPEND KAV_TEST_EMULATOR "'${word}' ")
endforeach()
target_compile_definitions(KAVTestSupport PRIVATE "KAV_TEST_EMULATOR=\"${KAV_TEST_EMULATOR}\"")
