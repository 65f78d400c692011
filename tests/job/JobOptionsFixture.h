#pragma once
// A printer of its own in the real registry for each option test: its settings groups, the
// Save-As answers of one job, and a record built for it. Removed again after each test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/Registry.h"
#include "base/WideString.h"
#include "host/DevModeBuilder.h"
#include "job/JobOptions.h"
#include "job/JobOptionsNames.h"
#include "job/SaveAsOptions.h"
#include "job/SettingsNames.h"
#include "job/SettingsStore.h"
#include "portcmd/TarnwellDEVMODE.h"
#include "support/TestSupport.h"

namespace twtest {

class JobOptionsTest : public ::testing::Test {
protected:
    static constexpr DWORD kJobId = 417;
    // No PrinterIDs entry has this id, so the record's device name names the printer.
    static constexpr DWORD kUnlistedPrinterId = 0x7E570001;

    void SetUp() override {
        m_printer = UniqueName(L"JobOpt");
        m_builder = twhost::DevModeBuilder(m_printer);
        Dm().Write<DWORD>(tw::dmoff::PrinterId, kUnlistedPrinterId);
    }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(tw::settings::kRoot) + L"\\" + m_printer).c_str());
    }

    twhost::DevModeBuilder& Builder() { return m_builder; }
    tw::TarnwellDEVMODE& Dm() { return m_builder.Record(); }
    const tw::TarnwellDEVMODE* Rec() { return &m_builder.Record(); }

    // The record asks for the job's Save-As answers.
    void UseSaveAs(bool on = true) { Dm().SetFlag(tw::dmflag::PrintedFromSession0, on); }
    void SetFlags(DWORD mask, bool on = true) { Dm().SetFlag(mask, on); }
    void SetWatermarkFlags(DWORD flags) { Dm().Write<DWORD>(tw::dmoff::WatermarkFlags, flags); }

    // The dialog's answers, by their row in its tables.
    void SaveAsDword(int row, DWORD value) {
        ASSERT_TRUE(tw::WriteDword(SaveAsKey().get(), tw::settings::kSaveAsDwordOptions[row], value));
    }
    void SaveAsText(int row, const std::wstring& text) {
        ASSERT_TRUE(tw::WriteString(SaveAsKey().get(), tw::settings::kSaveAsTextOptions[row], text));
    }
    void SettingText(const wchar_t* groupFormat, const wchar_t* name, const std::wstring& text) {
        ASSERT_TRUE(tw::WriteString(GroupKey(groupFormat).get(), name, text));
    }
    void SettingDword(const wchar_t* groupFormat, const wchar_t* name, DWORD value) {
        ASSERT_TRUE(tw::WriteDword(GroupKey(groupFormat).get(), name, value));
    }

private:
    tw::UniqueHKey GroupKey(const wchar_t* groupFormat) {
        tw::UniqueHKey key = tw::CreateKey(HKEY_CURRENT_USER, std::wstring(tw::settings::kRoot) + L"\\" +
                                                                  tw::FormatW(groupFormat, m_printer.c_str()));
        EXPECT_TRUE(key.valid());
        return key;
    }
    tw::UniqueHKey SaveAsKey() {
        return GroupKey((std::wstring(tw::settings::kSaveAsOptionSettings) + tw::FormatW(L"\\%lu", kJobId)).c_str());
    }

    std::wstring m_printer;
    twhost::DevModeBuilder m_builder;
};

}  // namespace twtest
