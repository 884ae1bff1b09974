# The support libraries shared by the test suites and the benchmarks
# (either may be built without the other).

# The reference kernel's control: ReferenceKernel and KAV_KERNEL_FN, no
# GoogleTest. It finds the module as the binder does (STEPLIB), else the
# build tree's.
add_library(KAVKernelControl STATIC ${CMAKE_SOURCE_DIR}/kernel/control/KAVKernelControl.cpp)
target_include_directories(KAVKernelControl PUBLIC ${CMAKE_SOURCE_DIR}/kernel/control
  ${CMAKE_SOURCE_DIR}/kernel PRIVATE ${CMAKE_SOURCE_DIR}/include/T4711BAS)
target_link_libraries(KAVKernelControl PRIVATE KAVBinderHeaders PUBLIC ${CMAKE_DL_LIBS})
target_compile_definitions(KAVKernelControl PRIVATE
  "KAV_REFERENCE_KERNEL_DIR=\"${KAV_KERNEL_DIR}\"")
add_dependencies(KAVKernelControl KAVSYMB)

# The suites' helpers and fault sweeps (GoogleTest).
add_library(KAVTestSupport STATIC
  ${CMAKE_SOURCE_DIR}/tests/TestSupport.cpp
  ${CMAKE_SOURCE_DIR}/tests/ReferenceKernel.cpp)
target_include_directories(KAVTestSupport PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(KAVTestSupport PUBLIC KAVKernelControl KAVInternalHeaders KAVPlatform
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
