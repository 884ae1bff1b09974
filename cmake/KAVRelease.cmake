# Release shape, included at the end of the top-level CMakeLists.txt once
# every folder has added itself.
#
# Public headers: everything in include/T4711BAS (the wrappers, the
# platform types, the export macros, and the resolver interface and
# routine table a site's own kernel is written against) and the generated
# version header. Every other header is internal.
include(CMakePackageConfigHelpers)

file(GLOB KAV_PUBLIC_HEADERS LIST_DIRECTORIES false CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/include/T4711BAS/*)

# A build tree configured before the public headers had a folder of their
# own holds links to them here: they go.
file(GLOB staged LIST_DIRECTORIES false ${KAV_GENERATED_INCLUDE_DIR}/*)
foreach(entry IN LISTS staged)
  if(IS_SYMLINK ${entry})
    file(REMOVE ${entry})
  endif()
endforeach()

# A public header that includes an internal one would not compile for a
# user: refuse it here rather than in their build.
set(KAV_PUBLIC_NAMES T4711BASVersion.h)
foreach(header IN LISTS KAV_PUBLIC_HEADERS)
  get_filename_component(name ${header} NAME)
  list(APPEND KAV_PUBLIC_NAMES ${name})
endforeach()
foreach(header IN LISTS KAV_PUBLIC_HEADERS)
  file(STRINGS ${header} includes REGEX "^#include \"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    if(NOT included IN_LIST KAV_PUBLIC_NAMES)
      message(FATAL_ERROR "${header} is public but includes ${included}, which is not")
    endif()
  endforeach()
endforeach()

# The library's own view of the sources (its private folders and the
# public ones) and the reference kernel's folder.
target_include_directories(KAVInternalHeaders INTERFACE
  $<TARGET_PROPERTY:T4711BAS,INCLUDE_DIRECTORIES> ${CMAKE_SOURCE_DIR}/kernel)

# Install layout, one for every prefix (the library directory is
# lib/<multiarch>, see the top-level CMakeLists.txt). The reference kernel
# and its site sit where t4711 looks for them: <libdir>/t4711, found
# relative to the installed tool.
set(KAV_INSTALL_KERNEL_DIR ${CMAKE_INSTALL_LIBDIR}/t4711)
set(KAV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/T4711BAS)
set(KAV_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The man page comes from the tool's own --help and --version, with the
# sections a help text has no room for (cmake/t4711.h2m.in). It is made
# each time t4711 is linked, and a missing page links the tool again (a
# byproduct of the link), so whatever builds t4711 (tools/tour builds only
# it and the kernel) leaves its page for the install. help2man runs the
# tool: not in a cross build.
set(KAV_MAN_PAGE)
if(TARGET t4711)
  file(RELATIVE_PATH KAV_TOOL_TO_KERNEL ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_LIBDIR}/t4711)
  set(KAV_MAN_KERNEL_DIR ${CMAKE_INSTALL_FULL_LIBDIR}/t4711)
  find_program(KAV_HELP2MAN help2man)
  if(KAV_HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
    set(KAV_MAN_PAGE ${CMAKE_BINARY_DIR}/t4711.1)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/t4711.h2m.in ${CMAKE_BINARY_DIR}/t4711.h2m @ONLY)
    add_custom_command(TARGET t4711 POST_BUILD
      COMMAND ${KAV_HELP2MAN} --no-info --no-discard-stderr
        --name "drive the T4711BAS library against an NC kernel"
        --include ${CMAKE_BINARY_DIR}/t4711.h2m
        --output ${KAV_MAN_PAGE} $<TARGET_FILE:t4711>
      BYPRODUCTS ${KAV_MAN_PAGE}
      COMMENT "Writing the t4711 man page" VERBATIM)
    # A change of the included sections makes the page again.
    set_property(TARGET t4711 APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/t4711.h2m)
  elseif(NOT CMAKE_CROSSCOMPILING)
    message(STATUS "help2man not found: no man page for t4711")
  endif()
endif()

# Nothing is installed half-way: before the first file is copied, every
# built file the install takes is checked, and a tree that lacks one (a
# build of some targets only) installs nothing and says what to build.
set(KAV_BUILT_FILES $<TARGET_FILE:T4711BAS> $<TARGET_FILE:KAVPlatform> $<TARGET_FILE:KAVSYMB>
  $<TARGET_FILE:KAVReplay>)
if(TARGET t4711)
  list(APPEND KAV_BUILT_FILES $<TARGET_FILE:t4711> ${KAV_MAN_PAGE})
endif()
install(CODE "
  set(kav_missing)
  foreach(file IN ITEMS ${KAV_BUILT_FILES})
    if(NOT EXISTS \"\${file}\")
      list(APPEND kav_missing \"\${file}\")
    endif()
  endforeach()
  if(kav_missing)
    list(JOIN kav_missing \"\n  \" kav_missing)
    message(FATAL_ERROR \"Not built yet:\n  \${kav_missing}\nRun cmake --build ${CMAKE_BINARY_DIR} first. Nothing was installed.\")
  endif()")

install(TARGETS T4711BAS KAVPlatform EXPORT T4711BASTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/T4711BAS/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/T4711BAS)
install(FILES ${KAV_GENERATED_INCLUDE_DIR}/T4711BASVersion.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/T4711BAS)
install(TARGETS KAVSYMB LIBRARY DESTINATION ${KAV_INSTALL_KERNEL_DIR})
install(TARGETS KAVReplay LIBRARY DESTINATION ${KAV_INSTALL_KERNEL_DIR}/replay)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/kernel/site/ DESTINATION ${KAV_INSTALL_KERNEL_DIR}/site)
# The pages keep their places, so README's links to docs/ hold.
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/CHANGELOG.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
  FILES_MATCHING PATTERN "*.md")

if(TARGET t4711)
  file(RELATIVE_PATH KAV_TOOL_TO_LIBDIR ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_LIBDIR})
  target_compile_definitions(t4711 PRIVATE
    "KAV_INSTALLED_KERNEL_DIR=\"${KAV_TOOL_TO_KERNEL}\"")
  set_target_properties(t4711 PROPERTIES INSTALL_RPATH "$ORIGIN/${KAV_TOOL_TO_LIBDIR}")
  install(TARGETS t4711 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(KAV_MAN_PAGE)
    install(FILES ${KAV_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endif()

# CMake package: find_package(T4711BAS 1.0) gives T4711BAS::T4711BAS (and
# T4711BAS::KAVPlatform through it), with cxx_std_17 as a usage
# requirement. Same major version, compatible. Relocatable: every path is
# found from the package file's place.
install(EXPORT T4711BASTargets NAMESPACE T4711BAS:: DESTINATION ${KAV_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/T4711BASConfig.cmake.in
  ${CMAKE_BINARY_DIR}/T4711BASConfig.cmake INSTALL_DESTINATION ${KAV_CMAKE_DIR}
  PATH_VARS KAV_INSTALL_KERNEL_DIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/T4711BASConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/T4711BASConfig.cmake
  ${CMAKE_BINARY_DIR}/T4711BASConfigVersion.cmake DESTINATION ${KAV_CMAKE_DIR})

# pkg-config. The prefix is the one of the install, not of the configure
# (`cmake --install --prefix` changes it): under /usr it is written
# plainly, so pkg-config leaves out the system's own -I and -L; anywhere
# else it is found from the .pc file's place, so the prefix can be given
# at install time and moved afterwards.
file(RELATIVE_PATH KAV_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" KAV_PC_TO_PREFIX "${KAV_PC_TO_PREFIX}")
foreach(kind IN ITEMS usr relocatable)
  if(kind STREQUAL "usr")
    set(KAV_PC_PREFIX /usr)
  else()
    set(KAV_PC_PREFIX "\${pcfiledir}/${KAV_PC_TO_PREFIX}")
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/t4711bas.pc.in
    ${CMAKE_BINARY_DIR}/pkgconfig/${kind}/t4711bas.pc @ONLY)
endforeach()
install(CODE "
  if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr/?$\")
    set(kav_pc ${CMAKE_BINARY_DIR}/pkgconfig/usr/t4711bas.pc)
  else()
    set(kav_pc ${CMAKE_BINARY_DIR}/pkgconfig/relocatable/t4711bas.pc)
  endif()
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${KAV_PC_DIR}\" TYPE FILE FILES \${kav_pc})")
