// A small layered feed-forward network: inputs plus a bias node, tanh hidden layers and a
// linear output layer, trained by batch gradients and a sign-based adaptive step per weight.
// The time network and its trainer are built on it; its text format stores shape and weights.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <vector>

namespace tolvaren {

class NeuroNetz_t {
   public:
    // Hard limits that keep a hostile network text from exhausting memory.
    static constexpr int MaxLayers = 16;
    static constexpr int MaxLayerSize = 4096;

    class Knoten_t;
    class KnotenZiel_t;

    // A connection lives in its source node's outgoing list.
    struct Verbindung_t {
        KnotenZiel_t* target;
        double weight;
    };

    // One per connection, kept by the target; built by finish().
    struct Eingang_t {
        double gradient;
        double step;
        int direction;
        const double* sourceValue;
        Knoten_t* source;  // receives the back-propagated error (a no-op for inputs)
        double* weight;
    };

    class Knoten_t {
       public:
        virtual ~Knoten_t() = default;
        virtual void addError(double) {}
    };

    class KnotenEingabe_t : public Knoten_t {
       public:
        double value = 0.0;
        std::vector<Verbindung_t> outgoing;
    };

    class KnotenZiel_t : public Knoten_t {
       public:
        explicit KnotenZiel_t(int layerNumber) : layer(layerNumber) {}
        void addError(double e) override { error += e; }

        double value = 0.0;  // activation
        double sum = 0.0;    // net input
        double error = 0.0;
        std::vector<Eingang_t> incoming;  // hidden-sourced records first
        std::size_t firstInputSourced = 0;
        int layer;
    };

    class KnotenInnen_t : public KnotenZiel_t {
       public:
        using KnotenZiel_t::KnotenZiel_t;
        std::vector<Verbindung_t> outgoing;
    };

    class KnotenAusgabe_t : public KnotenZiel_t {
       public:
        using KnotenZiel_t::KnotenZiel_t;
    };

    struct TrainingParameters {
        double decreaseLow = 0.45, decreaseHigh = 0.55;
        double increaseLow = 1.16, increaseHigh = 1.24;
        double minStep = 1e-11;
        double initialStep = 1e-7;
        double maxStep = 0.5;
        double maxWeight = 19.9999999;
        double derivativeOffset = 0.001;
    };

    // layerCount >= 3: one input layer, layerCount - 2 hidden layers, one output layer.
    explicit NeuroNetz_t(int layerCount);
    virtual ~NeuroNetz_t();
    NeuroNetz_t(const NeuroNetz_t&) = delete;
    NeuroNetz_t& operator=(const NeuroNetz_t&) = delete;

    // Shape. Both return false (and change nothing) for a layer or node that does not exist.
    bool setLayerSize(int layer, int n);
    bool connect(int fromLayer, int fromNode, int toLayer, int toNode);
    void finish();

    // Evaluation of one pattern: resetInputs, setInput for each input once, propagate, output.
    void resetInputs();
    void setInput(int i, double x);
    void propagate();
    double output(int i) const;

    // Training of one pattern after propagate; updateWeights once per batch.
    void clearErrors();
    void outputError(int i, double target, double c);
    void backpropagate();
    void updateWeights();

    // Reads a whole text: after the weights (and the training state) only blank space may
    // follow. False for anything else; the network is then partly built.
    bool read(std::istream& in);
    bool write(std::ostream& out, bool withState) const;

    int layerCount() const { return layerCount_; }
    int inputCount() const { return static_cast<int>(inputs_.size()) - 1; }
    int hiddenCount(int layer) const;
    int outputCount() const { return static_cast<int>(outputs_.size()); }
    int weightCount() const { return weightCount_; }
    const std::vector<int>& topology() const { return topology_; }

    // Node access for trainers and tests; the bias node is input number inputCount().
    KnotenEingabe_t& inputNode(int i) { return *inputs_[i]; }
    KnotenInnen_t& hiddenNode(int layer, int i) { return *hidden_[layer - 1][i]; }
    KnotenAusgabe_t& outputNode(int i) { return *outputs_[i]; }

    TrainingParameters parameters;

   private:
    void clearShape(int layerCount);
    void dropRecords();
    void updateRecord(Eingang_t& r);
    static void spreadError(KnotenZiel_t& node, double e);
    template <class Visit>
    void forEachSource(Visit&& visit);
    template <class Visit>
    void forEachTarget(Visit&& visit);

    std::vector<int> topology_;
    int layerCount_ = 0;
    std::vector<std::unique_ptr<KnotenEingabe_t>> inputs_;  // bias node last
    std::vector<std::vector<std::unique_ptr<KnotenInnen_t>>> hidden_;
    std::vector<std::unique_ptr<KnotenAusgabe_t>> outputs_;
    int weightCount_ = 0;
};

}  // namespace tolvaren
