# Install rules: `cmake --install <tree> --prefix <dir>` (or `make install PREFIX=<dir>`) puts
#   lib/libtavshsl.so.1.0 and its platform libraries, each with its SONAME link (.so.1) and
#       development link (.so);
#   include/tavshsl1/ the library's public headers and the platform headers they include (no
#       other), in a folder of their own so that the generic name platform/ stays out of
#       <prefix>/include; users compile with -I<prefix>/include/tavshsl1;
#   lib/cmake/tavshsl/ a CMake package with one imported target, tavshsl::tavshsl;
#   lib/pkgconfig/tavshsl.pc for pkg-config.
# "lib" stands for CMAKE_INSTALL_LIBDIR (lib/x86_64-linux-gnu for the prefix /usr).

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TAVSHSL_INCLUDE_SUBDIR tavshsl${PROJECT_VERSION_MAJOR})

# tavshsl_public_headers(VAR): the headers of include/tavshsl and every header of the tree that
# they include, directly or not, as paths relative to the folder they are included from.
function(tavshsl_public_headers var)
  file(GLOB pending RELATIVE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/include/tavshsl/*.h)
  set(found)
  while(pending)
    list(POP_FRONT pending header)
    if(header IN_LIST found)
      continue()
    endif()
    list(APPEND found ${header})
    # Headers live either below include/ (tavshsl/...) or at the top of the tree (platform/...).
    set(path ${PROJECT_SOURCE_DIR}/include/${header})
    if(NOT EXISTS ${path})
      set(path ${PROJECT_SOURCE_DIR}/${header})
    endif()
    file(STRINGS ${path} lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" included "${line}")
      if(NOT EXISTS ${PROJECT_SOURCE_DIR}/include/${included} AND
         NOT EXISTS ${PROJECT_SOURCE_DIR}/${included})
        message(FATAL_ERROR "${header} includes ${included}, which is not in the tree")
      endif()
      list(APPEND pending ${included})
    endforeach()
  endwhile()
  list(SORT found)
  set(${var} ${found} PARENT_SCOPE)
endfunction()

# The shared libraries, the vision library first, then the platform families it uses. Platform
# libraries get the prefix tavshsl_ in their file names (libtavshsl_platform_base.so), so that
# they keep clear of other packages' libraries in a shared lib folder.
get_target_property(platform_families platform INTERFACE_LINK_LIBRARIES)
set(TAVSHSL_INSTALLED_LIBS tavshsl)
foreach(family ${platform_families})
  get_target_property(kind ${family} TYPE)
  if(kind STREQUAL "SHARED_LIBRARY")
    set_target_properties(${family} PROPERTIES OUTPUT_NAME tavshsl_${family})
    list(APPEND TAVSHSL_INSTALLED_LIBS ${family})
  endif()
endforeach()

# Installed libraries find each other in their own folder.
set_target_properties(${TAVSHSL_INSTALLED_LIBS} PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  INSTALL_RPATH "$ORIGIN")
install(TARGETS ${TAVSHSL_INSTALLED_LIBS}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT tavshsl)

tavshsl_public_headers(headers)
foreach(header ${headers})
  set(path ${PROJECT_SOURCE_DIR}/include/${header})
  if(NOT EXISTS ${path})
    set(path ${PROJECT_SOURCE_DIR}/${header})
  endif()
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES ${path} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${TAVSHSL_INCLUDE_SUBDIR}/${dir}
          COMPONENT tavshsl)
endforeach()

# File names of the installed libraries, as the package files name them.
set(TAVSHSL_LIB_FILES)
set(TAVSHSL_PC_LIBS)
foreach(lib ${TAVSHSL_INSTALLED_LIBS})
  get_target_property(name ${lib} OUTPUT_NAME)
  if(NOT name)
    set(name ${lib})
  endif()
  list(APPEND TAVSHSL_LIB_FILES lib${name}.so)
  string(APPEND TAVSHSL_PC_LIBS " -l${name}")
endforeach()
list(POP_FRONT TAVSHSL_LIB_FILES TAVSHSL_MAIN_LIB_FILE)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tavshsl)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/tavshslConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/tavshslConfig.cmake
  INSTALL_DESTINATION ${package_dir}
  PATH_VARS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/tavshslConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/tavshslConfig.cmake
              ${PROJECT_BINARY_DIR}/package/tavshslConfigVersion.cmake
        DESTINATION ${package_dir} COMPONENT tavshsl)

# The .pc file finds the prefix from its own place (pkg-config's pcfiledir), so that the
# installed tree can be moved or installed with any --prefix.
file(RELATIVE_PATH TAVSHSL_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" TAVSHSL_PC_TO_PREFIX ${TAVSHSL_PC_TO_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/tavshsl.pc.in ${PROJECT_BINARY_DIR}/package/tavshsl.pc
               @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/tavshsl.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT tavshsl)
