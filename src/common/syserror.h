// The system error values that the platform-free code returns by itself,
// numbered as the system numbers them (the Windows headers stay out of it).
#pragma once

enum SystemError {
  SYSERR_NOT_ENOUGH_MEMORY = 8,   // ERROR_NOT_ENOUGH_MEMORY
  SYSERR_INVALID_PARAMETER = 87,  // ERROR_INVALID_PARAMETER
  SYSERR_FILE_TOO_LARGE = 223,    // ERROR_FILE_TOO_LARGE
};
