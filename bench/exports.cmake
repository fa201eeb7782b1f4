# The export of the address table to dBASE and XML beside saving the same table.
if(TARGET kvz_addressbook)
  kvz_bench(bench_exports SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_exports.cpp DEPS kvz_addressbook kvz_engine)
endif()
