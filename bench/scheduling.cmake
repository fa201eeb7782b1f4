# The scheduling window over 100,000 tasks: the day, week and month views beside a prepared
# vector, switching views, and the project tree.
if(TARGET kvz_scheduling)
  kvz_bench(bench_scheduling SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_scheduling.cpp DEPS kvz_scheduling)
endif()
