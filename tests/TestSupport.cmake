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
