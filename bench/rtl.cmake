# Ini files: load a large settings file and look every key up.
if(TARGET kvz_rtl)
  kvz_bench(bench_rtl SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_rtl.cpp DEPS kvz_rtl)
endif()
