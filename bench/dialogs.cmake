# Opening a dialog of twenty controls through the form layer, and the same dialog in plain Qt.
if(TARGET kvz_forms)
  kvz_bench(bench_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_dialogs.cpp DEPS kvz_forms)
  target_include_directories(bench_dialogs PRIVATE ${CMAKE_CURRENT_LIST_DIR})
endif()
