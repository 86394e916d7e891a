# Read by cpack before each package is made (CPACK_PROJECT_CONFIG_FILE). The Debian package
# takes its library dependencies (Qt and the C++ runtime) from dpkg-shlibdeps; without that
# tool CPack would quietly write a package that declares none, which installs on a machine
# without Qt and then does not start. Refuse instead.
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_DEBIAN_PACKAGE_SHLIBDEPS)
  # The same lookup as CPack's own, so both see the same program.
  find_program(SHLIBDEPS_EXECUTABLE dpkg-shlibdeps)
  if(NOT SHLIBDEPS_EXECUTABLE)
    message(FATAL_ERROR
      "dpkg-shlibdeps was not found, so the package's library dependencies cannot be worked "
      "out. Install it with 'sudo apt-get install dpkg-dev' (./run.sh and ./test.sh install "
      "it too), then run cpack again.")
  endif()
endif()
