# The fuzz target functions, shared by the libFuzzer executables (fuzz/) and
# the test that replays the inputs that once broke a reader (tests/fuzz-replay/).
set(KESTROW_FUZZ_TARGET_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/fuzzcommon.cpp ${CMAKE_CURRENT_LIST_DIR}/fuzzcommon.h
    ${CMAKE_CURRENT_LIST_DIR}/fuzztargets.h
    ${CMAKE_CURRENT_LIST_DIR}/settingstarget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/propertylisttarget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/prefstarget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/albumdatatarget.cpp
)
