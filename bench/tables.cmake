find_package(SQLite3 REQUIRED)
kvz_bench(bench_tables SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_tables.cpp DEPS kvz_core kvz_engine SQLite::SQLite3)
