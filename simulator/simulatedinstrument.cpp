#include "bridge/sdk/sdkabi.h"
