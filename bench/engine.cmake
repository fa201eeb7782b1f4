kvz_bench(bench_engine SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_engine.cpp DEPS kvz_engine)
