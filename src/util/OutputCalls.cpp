#include "util/OutputCalls.h"

#include <aclapi.h>

namespace qeb {

OutputCalls& TheOutputCalls() {
    static OutputCalls calls{&::CreateDirectoryW, &::CreateFileW, &::SetSecurityInfo};
    return calls;
}

}  // namespace qeb
