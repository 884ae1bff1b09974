# Release shape, included at the end of the top-level CMakeLists.txt once
# every folder has added itself.
#
# Public headers. A header of a folder the library names as an include
# directory is public when it includes one of the two export headers (or
# is one): that is what a caller of an exported class or function needs.
# The kernel-module interface (entry layout, resolver, routine table, call
# log format) is public too: a site's own kernel is written against it.
# Everything else (trace writer, kernel-form helpers, a family's field
# widths, how the binder finds and loads KAVSYMB) stays internal.
include(CMakePackageConfigHelpers)

set(KAV_KERNEL_ABI_HEADERS
  ${CMAKE_SOURCE_DIR}/binding/KAVCallLog.h
  ${CMAKE_SOURCE_DIR}/binding/KAVResolverABI.h
  ${CMAKE_SOURCE_DIR}/binding/KAVRoutineTable.h
  ${CMAKE_SOURCE_DIR}/binding/KAVRoutines.def)

set(KAV_SOURCE_INCLUDE_DIRS)
set(KAV_PUBLIC_HEADERS ${KAV_KERNEL_ABI_HEADERS})
foreach(target T4711BAS KAVPlatform)
  get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
  foreach(dir IN LISTS dirs)
    string(FIND "${dir}" "${CMAKE_SOURCE_DIR}/" at)
    if(NOT at EQUAL 0)
      continue()
    endif()
    list(APPEND KAV_SOURCE_INCLUDE_DIRS ${dir})
    file(GLOB headers ${dir}/*.h)
    foreach(header IN LISTS headers)
      file(READ ${header} text)
      get_filename_component(name ${header} NAME)
      if(name MATCHES "^KAV(Platform)?Export\\.h$" OR
         text MATCHES "#include \"KAV(Platform)?Export\\.h\"")
        list(APPEND KAV_PUBLIC_HEADERS ${header})
      endif()
    endforeach()
  endforeach()
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
    "$<BUILD_INTERFACE:${KAV_PUBLIC_INCLUDE_DIR}>;$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/T4711BAS>")
endforeach()
list(REMOVE_DUPLICATES KAV_PUBLIC_HEADERS)
list(REMOVE_DUPLICATES KAV_SOURCE_INCLUDE_DIRS)

# Stage them as links (an edit of a header needs no reconfigure), dropping
# links of headers that stopped being public.
file(GLOB staged LIST_DIRECTORIES false ${KAV_PUBLIC_INCLUDE_DIR}/*)
foreach(entry IN LISTS staged)
  if(IS_SYMLINK ${entry})
    file(REMOVE ${entry})
  endif()
endforeach()
set(KAV_PUBLIC_NAMES T4711BASVersion.h)
foreach(header IN LISTS KAV_PUBLIC_HEADERS)
  get_filename_component(name ${header} NAME)
  file(CREATE_LINK ${header} ${KAV_PUBLIC_INCLUDE_DIR}/${name} SYMBOLIC)
  list(APPEND KAV_PUBLIC_NAMES ${name})
endforeach()
# A public header that includes an internal one would not compile for a
# user: refuse it here rather than in their build.
foreach(header IN LISTS KAV_PUBLIC_HEADERS)
  file(STRINGS ${header} includes REGEX "^#include \"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    if(NOT included IN_LIST KAV_PUBLIC_NAMES)
      message(FATAL_ERROR "${header} is public but includes ${included}, which is not")
    endif()
  endforeach()
endforeach()

set_target_properties(KAVInternalHeaders PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
  "${KAV_SOURCE_INCLUDE_DIRS};${CMAKE_SOURCE_DIR}/binding;${CMAKE_SOURCE_DIR}/binding/loader;${CMAKE_SOURCE_DIR}/diagnostics;${CMAKE_SOURCE_DIR}/kernel;${KAV_PUBLIC_INCLUDE_DIR}")

# Install layout. The reference kernel and its site sit where t4711 looks
# for them: <libdir>/t4711, found relative to the installed tool.
set(KAV_INSTALL_KERNEL_DIR ${CMAKE_INSTALL_LIBDIR}/t4711)
install(TARGETS T4711BAS KAVPlatform EXPORT T4711BASTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/T4711BAS)
install(FILES ${KAV_PUBLIC_HEADERS} ${KAV_PUBLIC_INCLUDE_DIR}/T4711BASVersion.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/T4711BAS)
install(TARGETS KAVSYMB LIBRARY DESTINATION ${KAV_INSTALL_KERNEL_DIR})
install(TARGETS KAVReplay LIBRARY DESTINATION ${KAV_INSTALL_KERNEL_DIR}/replay)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/kernel/site/ DESTINATION ${KAV_INSTALL_KERNEL_DIR}/site)
file(GLOB KAV_DOCS ${CMAKE_SOURCE_DIR}/docs/*.md)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/CHANGELOG.md ${KAV_DOCS}
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(TARGET t4711)
  file(RELATIVE_PATH KAV_TOOL_TO_KERNEL ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_LIBDIR}/t4711)
  file(RELATIVE_PATH KAV_TOOL_TO_LIBDIR ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_LIBDIR})
  target_compile_definitions(t4711 PRIVATE
    "KAV_INSTALLED_KERNEL_DIR=\"${KAV_TOOL_TO_KERNEL}\"")
  set_target_properties(t4711 PROPERTIES INSTALL_RPATH "$ORIGIN/${KAV_TOOL_TO_LIBDIR}")
  install(TARGETS t4711 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The man page comes from the tool's own --help and --version, so a
  # cross build, whose tool does not run here, has none.
  find_program(KAV_HELP2MAN help2man)
  if(KAV_HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/t4711.1
      COMMAND ${KAV_HELP2MAN} --no-info --no-discard-stderr
        --name "drive the T4711BAS library against an NC kernel"
        --output ${CMAKE_BINARY_DIR}/t4711.1 $<TARGET_FILE:t4711>
      DEPENDS t4711 VERBATIM)
    add_custom_target(t4711_man ALL DEPENDS ${CMAKE_BINARY_DIR}/t4711.1)
    install(FILES ${CMAKE_BINARY_DIR}/t4711.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  elseif(NOT CMAKE_CROSSCOMPILING)
    message(STATUS "help2man not found: no man page for t4711")
  endif()
endif()

# CMake package: find_package(T4711BAS 1.0) gives T4711BAS::T4711BAS (and
# T4711BAS::KAVPlatform through it). Same major version, compatible.
set(KAV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/T4711BAS)
install(EXPORT T4711BASTargets NAMESPACE T4711BAS:: DESTINATION ${KAV_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/T4711BASConfig.cmake.in
  ${CMAKE_BINARY_DIR}/T4711BASConfig.cmake INSTALL_DESTINATION ${KAV_CMAKE_DIR}
  PATH_VARS KAV_INSTALL_KERNEL_DIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/T4711BASConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/T4711BASConfig.cmake
  ${CMAKE_BINARY_DIR}/T4711BASConfigVersion.cmake DESTINATION ${KAV_CMAKE_DIR})

# pkg-config. Under /usr the prefix is written plainly; elsewhere it is
# found from the .pc file's place, so a prefix can be moved.
set(KAV_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(KAV_PC_PREFIX /usr)
else()
  file(RELATIVE_PATH KAV_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
    ${CMAKE_INSTALL_PREFIX})
  set(KAV_PC_PREFIX "\${pcfiledir}/${KAV_PC_TO_PREFIX}")
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/t4711bas.pc.in
  ${CMAKE_BINARY_DIR}/t4711bas.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/t4711bas.pc DESTINATION ${KAV_PC_DIR})

# Debian package: cpack -G DEB in a build configured with the release
# preset (prefix /usr).
set(CPACK_PACKAGE_NAME t4711bas)
set(CPACK_PACKAGE_VENDOR "T4711BAS project")
set(CPACK_PACKAGE_CONTACT "T4711BAS maintainers <t4711bas@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "NC kernel access library, reference kernel and the t4711 tool")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
