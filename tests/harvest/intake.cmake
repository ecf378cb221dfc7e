tessaly_add_test(LeadIntakeTest
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/LeadIntakeTest.cpp
  LIBS tessaly_intake)
