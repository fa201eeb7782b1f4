# The export of the address table to dBASE, XML and a workbook beside saving the same table.
if(TARGET kvz_addressbook)
  # zlib: the workbook's compression measured alone.
  find_package(ZLIB REQUIRED)
  kvz_bench(bench_exports SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_exports.cpp DEPS kvz_addressbook kvz_engine ZLIB::ZLIB)
endif()
