#include "scan/ResultStore.h"

namespace qm::scan {

ResultStore& TheResultStore() {
    static ResultStore store;
    return store;
}

}  // namespace qm::scan
