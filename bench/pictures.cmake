kvz_bench(bench_pictures SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_pictures.cpp DEPS kvz_controls Qt6::Gui)
