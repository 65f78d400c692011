#include "Report.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>

#include "HandOffRecords.h"
#include "JsonWriter.h"
#include "OutputFiles.h"
#include "base/UniqueHandle.h"
#include "base/WideString.h"

namespace twprint {
namespace {

const char* EventTypeName(WORD type) {
    switch (type) {
    case EVENTLOG_ERROR_TYPE: return "error";
    case EVENTLOG_WARNING_TYPE: return "warning";
    case EVENTLOG_INFORMATION_TYPE: return "information";
    case EVENTLOG_AUDIT_SUCCESS: return "audit_success";
    case EVENTLOG_AUDIT_FAILURE: return "audit_failure";
    }
    return "success";
}

}  // namespace

std::string BuildReport(MonitorSession& session, const JobRecorder& recorder, const RunFacts& facts) {
    JsonWriter w;
    w.BeginObject();

    w.BeginArray("calls");
    for (const CallRecord& c : session.Calls()) {
        w.BeginObject().String("fn", c.fn).Bool("result", c.result);
        if (!c.result) w.Number("error", c.error);
        if (c.written >= 0) w.Number("written", c.written);
        if (c.ms >= 0) w.Number("ms", c.ms);
        w.EndObject();
    }
    w.EndArray();

    auto job = session.Host().Spooler().FindJob(facts.jobId);
    w.BeginObject("spooler")
        .Bool("job_cancelled", job && job->cancelled)
        .Bool("job_deleted", job && job->deleted)
        .EndObject();

    const JobOutcome& outcome = recorder.Outcome();
    w.BeginObject("job").String("status", outcome.status).Bool("failed", outcome.failed);
    w.Number("received_pages", outcome.receivedPages).Number("output_pages", outcome.outputPages);
    w.Number("document_number", outcome.documentNumber).Bool("declined_by_plugin", outcome.abortPrinting);
    w.BeginArray("operations");
    for (const JobOperation& op : recorder.Operations())
        w.BeginObject().String("op", op.name).String("detail", op.detail).Bool("result", op.result).EndObject();
    w.EndArray();
    w.BeginArray("plugin_calls");
    for (const JobOperation& op : recorder.Operations())
        if (op.name == L"Plugin") w.BeginObject().String("fn", op.detail).Bool("result", op.result).EndObject();
    w.EndArray();
    w.BeginArray("status_messages");
    for (const std::wstring& text : outcome.statusMessages) w.String({}, text);
    w.EndArray();
    w.BeginObject("names")
        .String("image", outcome.imageFile)
        .String("group", outcome.groupFile)
        .String("text", outcome.textFile)
        .String("mail_merge", outcome.mailMergeFile)
        .String("ocr_text", outcome.ocrTextFile)
        .String("first_image", outcome.firstImageFile)
        .String("first_text", outcome.firstTextFile)
        .String("current_output", outcome.currentOutputFile)
        .String("status_ini", outcome.statusIniFile)
        .String("http_group", outcome.httpGroupFile)
        .String("database_group", outcome.databaseGroupFile)
        .String("mfiles_group", outcome.mfilesGroupFile)
        .EndObject();
    w.String("message_capture_warning", outcome.messageCaptureWarning);
    w.String("group_file", outcome.groupFile);
    w.BeginArray("output_files");
    for (const std::wstring& name : outcome.outputFiles) w.String({}, name);
    w.EndArray();
    w.BeginArray("page_text");
    for (const std::wstring& text : outcome.pageTexts) w.String({}, text);
    w.EndArray();
    w.BeginObject("fields");
    for (const auto& [name, values] : outcome.fields) {
        w.BeginArray(tw::ToUtf8(name));
        for (const std::wstring& v : values) w.String({}, v);
        w.EndArray();
    }
    w.EndObject();
    w.String("memory_text", outcome.memoryText);
    w.EndObject();

    // The files the job named for its pages, each once, in page order, then any other file a
    // writer wrote; the size of those that exist, and the page size, depth and resolution of images.
    std::vector<std::wstring> files;
    auto add = [&](const std::wstring& name) {
        if (!name.empty() && std::find(files.begin(), files.end(), name) == files.end()) files.push_back(name);
    };
    for (const std::wstring& name : outcome.outputFiles) add(name);
    for (const std::wstring& name : outcome.files) add(name);
    w.BeginArray("files");
    for (const std::wstring& path : files) {
        const OutputFileFacts f = InspectOutputFile(path);
        w.BeginObject().String("path", f.path).String("host_path", f.hostPath).Bool("exists", f.exists);
        if (f.exists) w.Number("size", static_cast<int64_t>(f.size)).String("format", f.format);
        if (f.format == "bmp" || f.format == "tiff") {
            w.Number("width", f.width).Number("height", f.height).Number("bits_per_pixel", f.bitsPerPixel);
            w.Number("x_dpi", f.xDpi).Number("y_dpi", f.yDpi);
        }
        if (f.format == "tiff") w.Number("pages", f.pages).Number("compression", f.compression);
        w.EndObject();
    }
    w.EndArray();
    w.String("group_file", outcome.groupFile);

    w.BeginArray("events");
    for (const auto& e : session.Host().EventLog().Reports()) {
        if (facts.eventThread && e.threadId != facts.eventThread) continue;
        w.BeginObject().String("type", EventTypeName(e.type)).Number("id", e.eventId).String("source", e.source);
        w.BeginArray("strings");
        for (const auto& s : e.strings) w.String({}, s);
        w.EndArray().EndObject();
    }
    w.EndArray();

    WriteHandOff(w, recorder.HandOff());
    WriteProcesses(w, recorder.Processes());

    w.BeginArray("messages");
    for (const ReceivedMessage& m : facts.messages) {
        w.BeginObject();
        for (const ReceivedField& f : m.Fields()) {
            switch (f.kind) {
            case ReceivedField::Kind::Number: w.Number(f.key, f.number); break;
            case ReceivedField::Kind::Text: w.String(f.key, f.text); break;
            case ReceivedField::Kind::Bool: w.Bool(f.key, f.number != 0); break;
            case ReceivedField::Kind::Numbers:
                w.BeginArray(f.key);
                for (long long n : f.numbers) w.Number({}, n);
                w.EndArray();
                break;
            }
        }
        w.EndObject();
    }
    w.EndArray();

    // What the run cost the process so far, the monitor included: memory stays flat over a
    // long job when pages are not kept.
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (::K32GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory)))
        w.BeginObject("process")
            .Number("peak_working_set", static_cast<int64_t>(memory.PeakWorkingSetSize))
            .Number("peak_pagefile_usage", static_cast<int64_t>(memory.PeakPagefileUsage))
            .EndObject();
    w.EndObject();
    return w.str();
}

bool WriteReport(const std::wstring& target, const std::string& json) {
    if (target == L"-") {
        std::fwrite(json.data(), 1, json.size(), stdout);
        std::fflush(stdout);
        return true;
    }
    tw::UniqueFile file(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), json.data(), static_cast<DWORD>(json.size()), &written, nullptr) &&
           written == json.size();
}

}  // namespace twprint
