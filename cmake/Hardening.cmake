# The binaries a desk runs are built the way Debian builds its own
# (dpkg-buildflags): fortified library calls, a strong stack protector, a
# position-independent executable and a read-only relocation table bound at
# start. The sanitized and fuzzing builds bring instrumentation of their own
# that these flags would only get in the way of.
option(ORVADO_HARDEN "Build with Debian's hardening flags" ON)
if(ORVADO_HARDEN AND NOT ORVADO_SANITIZE AND NOT ORVADO_FUZZ)
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  # Fortification needs the optimizer: not in a Debug build.
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security
                      "$<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>")
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
