target_sources(quorvel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/tokenizer.cpp
)
