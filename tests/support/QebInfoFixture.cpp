#include "support/QebInfoFixture.h"

#include <windows.h>

#include <boost/filesystem.hpp>

#include "support/ExpectedTexts.h"

namespace qeb::test {

void QebInfoTest::SetUp() {
    m_scratch = std::make_unique<ScratchFolder>(CurrentTestName());
    m_exePath = *m_scratch / L"bin\\QebInfo.exe";
    boost::filesystem::create_directories(ExeDirectory());
    const std::wstring built = ModuleDirectory() + L"\\QebInfo.exe";
    ASSERT_TRUE(::CopyFileW(built.c_str(), m_exePath.c_str(), FALSE))
        << "cannot copy " << std::string(built.begin(), built.end());
}

void QebInfoTest::TearDown() {
    m_scratch.reset();
}

std::wstring QebInfoTest::ExeDirectory() const {
    return *m_scratch / L"bin";
}

ProcessResult QebInfoTest::Run(const std::vector<std::wstring>& arguments,
                               const ProcessOptions& options) {
    return RunProgram(m_exePath, arguments, options);
}

std::vector<std::wstring> ExpectedLines(unsigned id) {
    return SplitLines(ExpectedText(id));
}

}  // namespace qeb::test
