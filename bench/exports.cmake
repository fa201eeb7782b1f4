# The export of the address table to dBASE, XML and a workbook beside saving the same table.
if(TARGET kvz_addressbook)
  # zlib: the workbook's compression measured alone; the workbook library: its own share alone.
  find_package(ZLIB REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BENCH_XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
  kvz_bench(bench_exports SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_exports.cpp
            DEPS kvz_addressbook kvz_engine ZLIB::ZLIB PkgConfig::BENCH_XLSXWRITER)
endif()
