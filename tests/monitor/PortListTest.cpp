// The port list through the static library: loading, adding, deleting and the fall-backs.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/CriticalSection.h"
#include "monitor/Exports.h"
#include "monitor/MonitorModule.h"
#include "monitor/MonitorTestSupport.h"
#include "monitor/PortList.h"
#include "support/TestSupport.h"

namespace {

using tw::CPortList;

class PortListTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_key = std::make_unique<twtest::ScopedMonitorKey>(twtest::UniqueName(L"TwPortListTest"));
        m_table = InitializePrintMonitor2(m_key->Registry().MonitorInit(), &m_hMonitor);
        tw::CsLock lock(List().Lock());
        List().Clear();
    }
    void TearDown() override {
        {
            tw::CsLock lock(List().Lock());
            List().Clear();
        }
        tw::module::SetMonitorInit(nullptr);
        m_key.reset();
    }
    static CPortList& List() { return CPortList::Instance(); }
    WORD Load() {
        tw::CsLock lock(List().Lock());
        List().CreatePortListFromRegistry();
        return List().Count();
    }

    std::unique_ptr<twtest::ScopedMonitorKey> m_key;
    LPMONITOR2 m_table = nullptr;
    HANDLE m_hMonitor = nullptr;
};

TEST_F(PortListTest, ReloadingKeepsOnePortPerName) {
    m_key->AddPortValue(L"TWR1:");
    m_key->AddPortValue(L"TWR2:");
    EXPECT_EQ(Load(), 2);
    EXPECT_EQ(Load(), 2);
    tw::CsLock lock(List().Lock());
    ASSERT_NE(List().Find(L"twr1:"), nullptr);
    EXPECT_EQ(List().Find(L"twr1:")->Path(), L" ");
    EXPECT_EQ(List().Find(L"TWR"), nullptr);
    EXPECT_EQ(List().Find(nullptr), nullptr);
}

TEST_F(PortListTest, AddRefusesANameThatExistsInAnyCase) {
    m_key->AddPortValue(L"TWDUP:");
    Load();
    twtest::ScopedPortIni ini(L"twdup:");
    EXPECT_FALSE(List().AddPort(L"whatever"));
    EXPECT_EQ(m_key->PortValues().size(), 1u);
    EXPECT_EQ(List().Count(), 1);
}

TEST_F(PortListTest, AddTakesTheNameFromTheIniFileAndLoadsIt) {
    twtest::ScopedPortIni ini(L"TWINI:");
    EXPECT_TRUE(List().AddPort(L"the caller's name is not used"));
    tw::CsLock lock(List().Lock());
    ASSERT_NE(List().Find(L"TWINI:"), nullptr);
    EXPECT_EQ(List().Find(L"TWINI:")->Description(), L"Tarnwell Port");
    EXPECT_EQ(m_key->PortValues(), std::vector<std::wstring>{L"TWINI:"});
}

TEST_F(PortListTest, AOneCharacterNameCountsAsMissing) {
    // Without a display the dialog cannot be answered, so the add fails.
    twtest::ScopedPortIni ini(L"X");
    EXPECT_FALSE(List().AddPort(nullptr));
    EXPECT_TRUE(m_key->PortValues().empty());
    EXPECT_EQ(List().Count(), 0);
}

TEST_F(PortListTest, DeleteInAnotherCaseRemovesPortAndValueTogether) {
    m_key->AddPortValue(L"TWDEL:");
    Load();
    EXPECT_TRUE(List().DeletePort(L"twdel:"));
    EXPECT_TRUE(m_key->PortValues().empty());
    EXPECT_EQ(List().Count(), 0);
    EXPECT_FALSE(List().DeletePort(L"TWDEL:"));
    EXPECT_FALSE(List().DeletePort(nullptr));
}

TEST_F(PortListTest, XcvHandleOfADeletedPortClosesSafely) {
    m_key->AddPortValue(L"TWXCV:");
    Load();
    HANDLE onPort = nullptr, onMonitor = nullptr;
    ASSERT_TRUE(m_table->pfnXcvOpenPort(nullptr, L"TWXCV:", SERVER_ACCESS_ADMINISTER, &onPort));
    ASSERT_TRUE(m_table->pfnXcvOpenPort(nullptr, L",XcvMonitor X", SERVER_ACCESS_ADMINISTER, &onMonitor));
    std::wstring name = L"TWXCV:";
    DWORD needed = 0;
    EXPECT_EQ(m_table->pfnXcvDataPort(onMonitor, L"DeletePort", reinterpret_cast<BYTE*>(name.data()),
                                      static_cast<DWORD>((name.size() + 1) * 2), nullptr, 0, &needed),
              0u);
    ::SetLastError(0);
    EXPECT_FALSE(m_table->pfnXcvClosePort(onPort));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(m_table->pfnXcvClosePort(onMonitor));
}

TEST_F(PortListTest, UseCountFollowsOpensAndNeverWraps) {
    m_key->AddPortValue(L"TWUSE:");
    Load();
    HANDLE h1 = nullptr, h2 = nullptr;
    ASSERT_TRUE(m_table->pfnOpenPort(nullptr, const_cast<LPWSTR>(L"TWUSE:"), &h1));
    ASSERT_TRUE(m_table->pfnOpenPort(nullptr, const_cast<LPWSTR>(L"TWUSE:"), &h2));
    auto* port = static_cast<tw::CTWPortInfo*>(h1);
    EXPECT_EQ(port->UseCount(), 2);
    EXPECT_TRUE(m_table->pfnClosePort(h1));
    EXPECT_EQ(port->Flags() & tw::CTWPortInfo::kFlagOpen, tw::CTWPortInfo::kFlagOpen);
    EXPECT_TRUE(m_table->pfnClosePort(h2));
    EXPECT_EQ(port->Flags() & tw::CTWPortInfo::kFlagOpen, 0);
    // An Xcv handle on the port closes it once more without an open.
    HANDLE hXcv = nullptr;
    ASSERT_TRUE(m_table->pfnXcvOpenPort(nullptr, L"TWUSE:", SERVER_ACCESS_ADMINISTER, &hXcv));
    EXPECT_TRUE(m_table->pfnXcvClosePort(hXcv));
    EXPECT_EQ(port->UseCount(), 0);
}

// A MONITORREG whose key creation fails: the monitor then gives itself write rights.
LONG WINAPI FailCreateKey(HANDLE, LPCWSTR, DWORD, REGSAM, PSECURITY_ATTRIBUTES, PHANDLE, PDWORD, HANDLE) {
    return ERROR_ACCESS_DENIED;
}

TEST_F(PortListTest, ForcesWriteRightsWhenTheSpoolerCannotCreateTheKey) {
    MONITORREG reg = twhost::MonitorRegistry::Functions();
    reg.fpCreateKey = FailCreateKey;
    MONITORINIT init = *m_key->Registry().MonitorInit();
    init.pMonitorReg = &reg;
    tw::module::SetMonitorInit(&init);
    {
        tw::CsLock lock(List().Lock());
        EXPECT_TRUE(List().AddPortToRegistry(L"TWFORCED:"));
        EXPECT_FALSE(List().AddPortToRegistry(nullptr));
    }
    EXPECT_EQ(m_key->PortValues(), std::vector<std::wstring>{L"TWFORCED:"});
    tw::module::SetMonitorInit(m_key->Registry().MonitorInit());
}

}  // namespace
