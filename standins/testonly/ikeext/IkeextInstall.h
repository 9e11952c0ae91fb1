// Puts the test bench's IKEEXT service into the service manager and takes it
// out again. Each prints what it did and returns the process exit code.
#pragma once

namespace ikeext_standin {

// Own process, demand start, this program with "-service" as its binary.
int Install();

// Stops the service (waiting up to 10 s) and deletes it.
int Remove();

}  // namespace ikeext_standin
