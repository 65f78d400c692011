// Tesseract behind a small pool of started engines.
#include "Recogniser.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "TwOCRx.h"

namespace twocr {
namespace {

using Engine = std::unique_ptr<tesseract::TessBaseAPI>;

// Tesseract writes its page name into every hOCR page; the monitor puts the image file's name
// between empty quotes, so the fragment carries empty ones.
constexpr char kUnnamedImage[] = "title='image \"unknown\";";
constexpr char kEmptyImage[] = "title='image \"\";";

class EnginePool {
public:
    Engine Take(const std::string& key) {
        std::lock_guard<std::mutex> hold(m_lock);
        auto& idle = m_idle[key];
        if (idle.empty()) return nullptr;
        Engine engine = std::move(idle.back());
        idle.pop_back();
        return engine;
    }
    void Give(const std::string& key, Engine engine) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_idle[key].push_back(std::move(engine));
    }

private:
    std::mutex m_lock;
    std::map<std::string, std::vector<Engine>> m_idle;
};

EnginePool& Pool() {
    static EnginePool pool;
    return pool;
}

Engine StartEngine(const RecogniseRequest& request) {
    // Leptonica's own complaints (about image formats left out of this build) have no reader.
    setMsgSeverity(L_SEVERITY_NONE);
    auto engine = std::make_unique<tesseract::TessBaseAPI>();
    if (engine->Init(request.dataDir.c_str(), request.languages.c_str(), tesseract::OEM_LSTM_ONLY) != 0)
        return nullptr;
    // The engine's diagnostics have no reader inside a print spooler.
    engine->SetVariable("debug_file", "NUL");
    return engine;
}

std::string TakeText(char* text) {
    std::string out = text ? text : "";
    delete[] text;
    return out;
}

// Windows text files end their lines in CR LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

void MarkImageUnnamed(std::string& hocr) {
    size_t at = hocr.find(kUnnamedImage);
    if (at != std::string::npos) hocr.replace(at, sizeof(kUnnamedImage) - 1, kEmptyImage);
}

}  // namespace

RecogniseResult Recognise(Pix* page, const RecogniseRequest& request) {
    RecogniseResult result;
    const std::string key = request.dataDir + '|' + request.languages;
    Engine engine = Pool().Take(key);
    if (!engine) engine = StartEngine(request);
    if (!engine) {
        result.error = TWOCR_ERR_ENGINE;
        return result;
    }
    int mode = request.pageSegMode > 0 && request.pageSegMode < tesseract::PSM_COUNT ? request.pageSegMode
                                                                                      : tesseract::PSM_AUTO;
    engine->SetPageSegMode(static_cast<tesseract::PageSegMode>(mode));
    engine->SetImage(page);
    int dpi = pixGetXRes(page);
    if (dpi > 0) engine->SetSourceResolution(dpi);
    if (engine->Recognize(nullptr) != 0) {
        result.error = TWOCR_ERR_RECOGNITION;
    } else if (request.hocr) {
        result.utf8 = TakeText(engine->GetHOCRText(request.pageIndex));
        MarkImageUnnamed(result.utf8);
    } else {
        result.utf8 = WithCrLf(TakeText(engine->GetUTF8Text()));
    }
    engine->Clear();
    Pool().Give(key, std::move(engine));
    return result;
}

}  // namespace twocr
