#include "net/time_trainer.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <limits>
#include <locale>

namespace tolvaren {

namespace {

constexpr std::size_t MaxFileNameLength = 1023;

void toStandardError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
}

std::string formatDouble(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", v);  // the stream's default format
    return buffer;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The rest of the text from `from`, without surrounding whitespace.
std::string_view trimmedRest(std::string_view text, std::size_t from) {
    std::string_view s = text.substr(std::min(from, text.size()));
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The number after `from` (whitespace skipped): `absent` when nothing follows, 0 when what
// follows is not a number; clamped to the int range.
int numberAfter(std::string_view text, std::size_t from, int absent) {
    const std::string_view s = trimmedRest(text, from);
    if (s.empty()) return absent;
    std::size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > std::numeric_limits<int>::max()) v = std::numeric_limits<int>::max() + 1LL;
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// Position just after the first occurrence of `word`, or npos.
std::size_t after(std::string_view text, std::string_view word) {
    const std::size_t p = text.find(word);
    return p == std::string_view::npos ? p : p + word.size();
}

bool hasDelete(std::string_view text) {
    constexpr std::string_view word = " delete";
    for (std::size_t p = text.find(word); p != std::string_view::npos; p = text.find(word, p + 1)) {
        const std::size_t end = p + word.size();
        if (end == text.size() || text[end] == ' ' || text[end] == '\r' || text[end] == '\n') return true;
    }
    return false;
}

// The file name after `from`, or false when it is too long to accept.
bool fileNameAfter(std::string_view text, std::size_t from, std::string& name) {
    const std::string_view s = trimmedRest(text, from);
    if (s.size() > MaxFileNameLength) return false;
    name.assign(s);
    return true;
}

}  // namespace

ZeitnetzTrainer_t::ZeitnetzTrainer_t(int hidden, MessageSink sink)
    : net_(std::make_unique<Zeitnetz_t>(hidden)), sink_(std::move(sink)) {}

ZeitnetzTrainer_t::~ZeitnetzTrainer_t() = default;

void ZeitnetzTrainer_t::say(const std::string& message) const {
    if (sink_)
        sink_(message);
    else
        toStandardError(message);
}

void ZeitnetzTrainer_t::init(int hidden) {
    if (hidden < 0 || hidden > NeuroNetz_t::MaxLayerSize) {
        say("info string hidden node count out of range: " + std::to_string(hidden));
        return;
    }
    net_ = std::make_unique<Zeitnetz_t>(hidden);
}

void ZeitnetzTrainer_t::add(const std::string& fileName) {
    std::ifstream in(fileName);
    if (!in) {
        say("info string file not found: " + fileName);
        return;
    }
    in.imbue(std::locale::classic());
    Beispiel_t sample{};
    double ignored = 0.0;
    for (;;) {
        for (double& x : sample.inputs) in >> x;
        in >> ignored >> sample.target;
        if (!in) break;  // a sample counts only when all of its numbers were read
        samples_.push_back(sample);
    }
}

double ZeitnetzTrainer_t::learn(int epochs) {
    if (samples_.empty()) {
        say("info string nothing to learn");
        return NoEpochError;
    }
    double rms = NoEpochError;
    for (int epoch = 0; epoch < epochs; ++epoch) {
        double sum = 0.0;
        for (const Beispiel_t& s : samples_) {
            const double e = net_->timeFactor(s.inputs.data()) - s.target;
            sum += e * e;
            net_->trainStep(s.target, 1.0);
        }
        net_->updateWeights();
        rms = std::sqrt(sum / static_cast<double>(samples_.size()));
    }
    say("info string Mittlerer Fehler " + formatDouble(rms));
    return rms;
}

bool ZeitnetzTrainer_t::read(const std::string& fileName) {
    std::ifstream in(fileName);
    // Read into a fresh network so that a broken file cannot cost the one being trained.
    auto fresh = std::make_unique<Zeitnetz_t>(0);
    if (!in || !fresh->read(in)) {
        say("info string error reading file: " + fileName);
        return false;
    }
    net_ = std::move(fresh);
    return true;
}

bool ZeitnetzTrainer_t::write(const std::string& fileName) {
    std::ofstream out(fileName);
    bool ok = out && net_->write(out, false);
    if (out.is_open()) out.close();
    ok = ok && !out.fail();
    if (!ok) say("info string error writing file: " + fileName);
    return ok;
}

void timeCommand(std::string_view args, std::unique_ptr<ZeitnetzTrainer_t>& trainer,
                 const ZeitnetzTrainer_t::MessageSink& sink) {
    try {
        if (hasDelete(args)) {
            trainer.reset();
            return;
        }
        auto ensureTrainer = [&] {
            if (!trainer)
                trainer = std::make_unique<ZeitnetzTrainer_t>(ZeitnetzTrainer_t::DefaultHidden, sink);
        };
        std::string name;
        if (const std::size_t p = after(args, " init"); p != std::string_view::npos) {
            ensureTrainer();
            trainer->init(numberAfter(args, p, ZeitnetzTrainer_t::DefaultHidden));
        }
        if (const std::size_t p = after(args, " add "); p != std::string_view::npos) {
            ensureTrainer();
            if (fileNameAfter(args, p, name)) trainer->add(name);
            return;
        }
        if (const std::size_t p = after(args, " learn"); p != std::string_view::npos) {
            if (!trainer) return;
            trainer->learn(numberAfter(args, p, ZeitnetzTrainer_t::DefaultEpochs));
        }
        if (const std::size_t p = after(args, " read "); p != std::string_view::npos) {
            ensureTrainer();
            if (fileNameAfter(args, p, name)) trainer->read(name);
            return;
        }
        if (const std::size_t p = after(args, " write "); p != std::string_view::npos && trainer) {
            if (fileNameAfter(args, p, name)) trainer->write(name);
        }
    } catch (const std::exception& e) {
        // Out of memory while loading samples or building a network: the engine plays on.
        const std::string message = std::string("info string time command failed: ") + e.what();
        if (sink)
            sink(message);
        else
            toStandardError(message);
    }
}

}  // namespace tolvaren
