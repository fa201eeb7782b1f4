# The address book window over 100,000 addresses beside a bare grid over the same table.
if(TARGET kvz_addressbook)
  kvz_bench(bench_addressbook SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_addressbook.cpp DEPS kvz_addressbook)
endif()
