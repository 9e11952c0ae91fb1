// The bench helpers nearly every test uses, in one include: programs of the
// build, the prefix's registry, files, and waiting for a condition.
#pragma once

#include "tests/support/Files.h"
#include "tests/support/Processes.h"
#include "tests/support/Registry.h"
#include "tests/support/Wait.h"
