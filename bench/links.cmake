# The links window at 100, 1,000 and 10,000 links beside a bare tree widget: open, sort, filter,
# each as a ratio in one run.
if(TARGET kvz_links)
  kvz_bench(bench_links SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_links.cpp DEPS kvz_links)
endif()
