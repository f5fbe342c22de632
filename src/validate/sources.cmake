# The network part of the platform layer, used by the MX rule: WinINet for the
# connection test, the DNS client for the query.
target_sources(quorvel_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../platform/os_dns_win.cpp)
target_link_libraries(quorvel_core PUBLIC dnsapi wininet)
