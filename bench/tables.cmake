# The engine's tables beside SQLite; the address edit goes through the program's shared-table writer.
if(TARGET kvz_core)
  find_package(SQLite3 REQUIRED)
  kvz_bench(bench_tables SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_tables.cpp DEPS kvz_core kvz_engine SQLite::SQLite3)
endif()
