#pragma once

#define WINSIM_API __attribute__((visibility("default")))
#define WINSIM_EXTERN extern "C" WINSIM_API
