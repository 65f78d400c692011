// Collecting who printed a job: client values of shared-printer jobs completed from the
// spooler's job record, local jobs from the user's variables and "%s\EnvVars", and the host name.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/HostEnvironment.h"
#include "notify/EnvironmentFixture.h"
#include "notify/JobEnvironment.h"

namespace {

using tw::UserTokenSource;
using twtest::EnvironmentFixture;

bool Called(const twtest::RecordingNetworkLookup& net, const std::wstring& call) {
    return std::find(net.calls.begin(), net.calls.end(), call) != net.calls.end();
}

class SharedPrinterJob : public EnvironmentFixture {
protected:
    void SetUp() override {
        EnvironmentFixture::SetUp();
        twhost::SimPrinter printer;
        printer.name = printerName;
        printer.shared = true;
        ASSERT_TRUE(host.Spooler().AddPrinter(printer));
        net.hosts[L"PC01"] = {L"pc01.corp.example", L"10.0.0.7"};
        net.addresses[L"10.0.0.7"] = L"pc01.corp.example";
        net.addresses[L"10.1.2.3"] = L"client.corp.example";
        net.domains[L"PC01"] = L"CORP";
    }
    DWORD AddJob(const std::wstring& user, const std::wstring& machine) {
        twhost::SimJob job;
        job.document = L"report";
        job.user = user;
        job.machine = machine;
        return host.Spooler().AddJob(printerName, job);
    }
    tw::JobEnvironment Collect(DWORD jobId) {
        return tw::CollectJobEnvironment(&dm, printerName, jobId, true, UserTokenSource::ThreadOnly, net);
    }

    twhost::HostEnvironment host;
    twtest::RecordingNetworkLookup net;
};

TEST_F(SharedPrinterJob, AllFourClientValuesAskNeitherSpoolerNorNetwork) {
    dm.SetText(tw::dmtext::ClientUserName, L"carol");
    dm.SetText(tw::dmtext::ClientComputerName, L"CLIENT7");
    dm.SetText(tw::dmtext::ClientDomain, L"BRANCH");
    dm.SetText(tw::dmtext::ClientIPAddress, L"10.1.2.3");
    DWORD jobId = AddJob(L"CORP\\alice", L"\\\\PC01");
    host.Spooler().ClearCalls();

    tw::JobEnvironment env = Collect(jobId);

    EXPECT_EQ(env.userName, L"carol");
    EXPECT_EQ(env.computerName, L"CLIENT7");
    EXPECT_EQ(env.domain, L"BRANCH");
    EXPECT_EQ(env.ipAddress, L"10.1.2.3");
    EXPECT_TRUE(host.Spooler().Calls().empty());
    // Only the host name of the client's own address is looked up.
    EXPECT_EQ(net.calls, std::vector<std::wstring>{L"HostByAddr 10.1.2.3"});
    EXPECT_EQ(env.hostName, L"client.corp.example");
}

TEST_F(SharedPrinterJob, MissingClientValuesComeFromTheJobRecord) {
    dm.SetText(tw::dmtext::ClientDomain, L"BRANCH");  // the only client value
    DWORD jobId = AddJob(L"CORP\\alice", L"\\\\PC01");

    tw::JobEnvironment env = Collect(jobId);

    EXPECT_EQ(env.userName, L"alice");
    EXPECT_EQ(env.computerName, L"PC01");
    EXPECT_EQ(env.ipAddress, L"10.0.0.7");
    EXPECT_EQ(env.domain, L"BRANCH");  // set by the client: not looked up
    EXPECT_EQ(env.hostName, L"pc01.corp.example");
    EXPECT_TRUE(Called(net, L"HostByName PC01"));
    EXPECT_FALSE(Called(net, L"WorkstationDomain PC01"));
    EXPECT_EQ(host.Spooler().OpenHandleCount(), 0u);
}

TEST_F(SharedPrinterJob, ClientValuesWinOverTheJobRecord) {
    dm.SetText(tw::dmtext::ClientUserName, L"bob");
    DWORD jobId = AddJob(L"alice", L"\\\\PC01");

    tw::JobEnvironment env = Collect(jobId);

    EXPECT_EQ(env.userName, L"bob");
    EXPECT_EQ(env.computerName, L"PC01");
    EXPECT_EQ(env.domain, L"CORP");
    EXPECT_EQ(env.ipAddress, L"10.0.0.7");
}

TEST_F(SharedPrinterJob, JobWithoutMachineNameNeverDescribesTheServer) {
    DWORD jobId = AddJob(L"alice", L"\\\\");

    tw::JobEnvironment env = Collect(jobId);

    EXPECT_EQ(env.userName, L"alice");
    EXPECT_TRUE(env.computerName.empty());
    EXPECT_TRUE(env.ipAddress.empty());
    EXPECT_TRUE(env.domain.empty());
    EXPECT_FALSE(std::any_of(net.calls.begin(), net.calls.end(), [](const std::wstring& c) {
        return c.rfind(L"HostByName", 0) == 0 || c.rfind(L"WorkstationDomain", 0) == 0;
    }));
}

TEST_F(SharedPrinterJob, SpoolerFailuresKeepTheClientValuesAsTheyAre) {
    dm.SetText(tw::dmtext::ClientComputerName, L"PC01");
    net.localHostName = L"server";

    // Unknown job: GetJob fails.
    tw::JobEnvironment env = Collect(4711);
    EXPECT_TRUE(env.userName.empty());
    EXPECT_EQ(env.computerName, L"PC01");
    EXPECT_TRUE(env.ipAddress.empty());
    EXPECT_TRUE(env.domain.empty());
    EXPECT_EQ(host.Spooler().OpenHandleCount(), 0u);

    // Unknown printer: OpenPrinter fails.
    net.calls.clear();
    env = tw::CollectJobEnvironment(&dm, L"No such printer", 1, true, UserTokenSource::ThreadOnly, net);
    EXPECT_EQ(env.computerName, L"PC01");
    EXPECT_TRUE(env.ipAddress.empty());
    EXPECT_FALSE(Called(net, L"HostByName PC01"));
    EXPECT_FALSE(Called(net, L"WorkstationDomain PC01"));
}

class LocalJob : public EnvironmentFixture {
protected:
    void SetUp() override {
        EnvironmentFixture::SetUp();
        net.localHostName = L"printsrv";
        net.hosts[L"printsrv"] = {L"printsrv.corp.example", L"192.0.2.44"};
        net.addresses[L"192.0.2.44"] = L"printsrv.corp.example";
    }
    twtest::RecordingNetworkLookup net;
};

TEST_F(LocalJob, WithoutAThreadTokenTheValuesComeFromEnvVars) {
    SetEnvVar(L"USERNAME", L"stored-user");
    SetEnvVar(L"COMPUTERNAME", L"STORED-PC");

    tw::JobEnvironment env = tw::CollectJobEnvironment(&dm, printerName, 1, false, UserTokenSource::ThreadOnly, net);

    EXPECT_EQ(env.userName, L"stored-user");
    EXPECT_EQ(env.computerName, L"STORED-PC");
    EXPECT_TRUE(env.domain.empty());
    EXPECT_EQ(env.ipAddress, L"192.0.2.44");
    EXPECT_EQ(env.hostName, L"printsrv.corp.example");
}

TEST_F(LocalJob, UserVariablesComeBeforeEnvVars) {
    SetEnvVar(L"USERNAME", L"stored-user");
    std::wstring expected;
    ASSERT_TRUE(tw::ExpandUserVariable(L"USERNAME", expected, UserTokenSource::ThreadOrProcess));
    ASSERT_NE(expected, L"stored-user");

    tw::JobEnvironment env =
        tw::CollectJobEnvironment(&dm, printerName, 1, false, UserTokenSource::ThreadOrProcess, net);

    EXPECT_EQ(env.userName, expected);
}

TEST_F(LocalJob, NoLocalAddressGivesTheLocalHostsName) {
    net.hosts[L"printsrv"] = {L"printsrv.corp.example", L""};

    tw::JobEnvironment env = tw::CollectJobEnvironment(&dm, printerName, 1, false, UserTokenSource::ThreadOnly, net);

    EXPECT_TRUE(env.ipAddress.empty());
    EXPECT_EQ(env.hostName, L"printsrv.corp.example");
    EXPECT_FALSE(std::any_of(net.calls.begin(), net.calls.end(),
                             [](const std::wstring& c) { return c.rfind(L"HostByAddr", 0) == 0; }));
}

// The run-time loaded socket and network libraries, for real.
TEST(ProductionNetworkLookup, ResolvesWhatTheMachineKnows) {
    tw::INetworkLookup& net = tw::ProductionNetworkLookup();
    EXPECT_FALSE(net.LocalHostName().empty());
    EXPECT_EQ(net.HostByName(L"localhost").address, L"127.0.0.1");
    EXPECT_TRUE(net.HostByName(L"").address.empty());  // never the local host by accident
    EXPECT_TRUE(net.HostByAddr(L"not an address").empty());
    EXPECT_TRUE(net.HostByAddr(L"").empty());
    EXPECT_TRUE(net.WorkstationDomain(twtest::UniqueName(L"nohost")).empty());
}

}  // namespace
