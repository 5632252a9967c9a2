#include "render/KexShaderManager.h"
