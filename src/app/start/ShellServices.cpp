#include "app/start/ShellServices.h"

ShellServicesRecord ShellServices;
