# The task editor's save of a 31-day series into 100,000 tasks in network mode beside one plain
# shared-table write of the same table, and the regular-payment generator over due-date files.
if(TARGET kvz_scheduling)
  kvz_bench(bench_taskeditor SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_taskeditor.cpp DEPS kvz_scheduling)
endif()
