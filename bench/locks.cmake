# Many programs writing one shared table at once: how long the unluckiest insert waits.
if(TARGET kvz_core)
  kvz_bench(bench_locks SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_locks.cpp DEPS kvz_core)
endif()
