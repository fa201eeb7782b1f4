kvz_bench(bench_start SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_start.cpp DEPS kvz_core Qt6::Widgets)
