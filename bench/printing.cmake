# Address labels: 10,000 addresses to PDF beside the same pages drawn by a bare painter loop,
# and the envelope preview's step from one record to the next.
if(TARGET kvz_printing)
  kvz_bench(bench_printing SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_printing.cpp DEPS kvz_printing)
endif()
