// The time-network trainer behind the UCI "time" command: it collects samples from files,
// trains a network of the time network's shape on them and writes it in the network text format.
// The UCI interface owns one, created on demand, and hands it each "time" line.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/time_network.h"

namespace tolvaren {

class ZeitnetzTrainer_t {
   public:
    // Receives each message line without its line break. The default writes it to standard
    // error, followed by a line break and a flush.
    using MessageSink = std::function<void(const std::string&)>;

    static constexpr int DefaultHidden = 5;
    static constexpr int DefaultEpochs = 1000;
    static constexpr double NoEpochError = 9.9;

    explicit ZeitnetzTrainer_t(int hidden = DefaultHidden, MessageSink sink = {});
    virtual ~ZeitnetzTrainer_t();

    // Replaces the network by a fresh one with `hidden` hidden nodes; the samples stay.
    void init(int hidden);
    // Adds the complete samples of a file: 16 inputs, one ignored number, the target.
    void add(const std::string& fileName);
    // Trains `epochs` passes over all samples; returns the last pass's RMS error (9.9 for none).
    double learn(int epochs);
    // Replaces the network by the one in the file; a failed read keeps the current network.
    bool read(const std::string& fileName);
    // Writes the network without training state.
    bool write(const std::string& fileName);

    std::size_t sampleCount() const { return samples_.size(); }
    Zeitnetz_t& network() { return *net_; }

   private:
    struct Beispiel_t {
        std::array<double, TimeNetInputs> inputs;
        double target;
    };

    void say(const std::string& message) const;

    std::unique_ptr<Zeitnetz_t> net_;
    std::vector<Beispiel_t> samples_;
    MessageSink sink_;
};

// Executes a "time" command. `args` is the text after the word "time" (for example " add
// samples.txt"); `trainer` is the owner's trainer slot, created and destroyed here as the
// subcommands ask. Messages go to `sink` (standard error when empty). Never throws.
void timeCommand(std::string_view args, std::unique_ptr<ZeitnetzTrainer_t>& trainer,
                 const ZeitnetzTrainer_t::MessageSink& sink = {});

}  // namespace tolvaren
