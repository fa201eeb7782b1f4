# GIF decoding and encoding beside Qt and ImageMagick; the picture formats are in the controls library.
if(TARGET kvz_controls)
  kvz_bench(bench_pictures SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_pictures.cpp DEPS kvz_controls Qt6::Gui)
endif()
