# The links window over 10,000 links of 200 extensions: opening it with the icon cache warm, and
# the icon lookups counted.
if(TARGET kvz_links)
  kvz_bench(bench_links SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_links.cpp DEPS kvz_links)
endif()
