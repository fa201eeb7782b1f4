# The dataset grid over 100,000 engine rows: first show and paging.
if(TARGET kvz_forms AND TARGET kvz_engine)
  kvz_bench(bench_grid SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_grid.cpp DEPS kvz_forms kvz_engine)
endif()
