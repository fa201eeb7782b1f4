# The report layer: pagination of 1k to 100k rows, a 1,000-page PDF beside a bare painter
# loop, and a 4,000-page preview until its first page is painted.
if(TARGET kvz_report AND TARGET kvz_engine)
  kvz_bench(bench_report SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_report.cpp DEPS kvz_report kvz_engine)
endif()
