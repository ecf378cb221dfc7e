tessaly_add_test(test_pagetext SOURCES PageTextTest.cpp LIBS tessaly_web)
