# The HTTP fetcher against the loopback server, and through a real proxy
# (tinyproxy, started by the tests themselves).
tessaly_add_test(tessaly_fetcher_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FetcherTest.cpp ${CMAKE_CURRENT_LIST_DIR}/FetcherTextTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/fetcher_fakes.h
  LIBS tessaly_web tessaly_test_support
  LABELS web)
tessaly_add_test(tessaly_fetcher_proxy_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FetcherProxyTest.cpp ${CMAKE_CURRENT_LIST_DIR}/fetcher_fakes.h
  LIBS tessaly_web tessaly_test_support
  LABELS web proxy)
