# The dataset framework and the memory dataset: fill, filter and scan 100,000 rows.
if(TARGET kvz_engine)
  kvz_bench(bench_data SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_data.cpp DEPS kvz_engine)
endif()
