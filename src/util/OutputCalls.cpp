#include "util/OutputCalls.h"

namespace qeb {

OutputCalls& TheOutputCalls() {
    static OutputCalls calls{
        &::CreateDirectoryW,        &::CreateFileW, &::GetKernelObjectSecurity,
        &::SetKernelObjectSecurity, &::WriteFile,   &::SetFileInformationByHandle};
    return calls;
}

}  // namespace qeb
