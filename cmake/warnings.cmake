# Warnings every target of ours builds with.
add_library(nodewren_warnings INTERFACE)
target_compile_options(nodewren_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wdouble-promotion -Wformat -Wformat-security -Wimplicit-fallthrough)
