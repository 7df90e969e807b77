#include "wizard/ResultStore.h"

namespace qm::wizard {

ResultStore& TheResultStore() {
    static ResultStore store;
    return store;
}

}  // namespace qm::wizard
