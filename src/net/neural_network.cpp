#include "net/neural_network.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <istream>
#include <locale>
#include <ostream>
#include <unordered_map>

#include "board/random.h"

namespace tolvaren {

NeuroNetz_t::NeuroNetz_t(int layerCount) {
    assert(layerCount >= 3 && layerCount <= MaxLayers);
    clearShape(std::clamp(layerCount, 3, MaxLayers));
}

NeuroNetz_t::~NeuroNetz_t() = default;

void NeuroNetz_t::clearShape(int layerCount) {
    topology_.assign(1, layerCount);
    layerCount_ = layerCount;
    inputs_.clear();
    inputs_.push_back(std::make_unique<KnotenEingabe_t>());
    inputs_.back()->value = 1.0;
    hidden_.clear();
    hidden_.resize(layerCount - 2);
    outputs_.clear();
    weightCount_ = 0;
}

int NeuroNetz_t::hiddenCount(int layer) const {
    if (layer < 1 || layer > layerCount_ - 2) return 0;
    return static_cast<int>(hidden_[layer - 1].size());
}

template <class Visit>
void NeuroNetz_t::forEachSource(Visit&& visit) {
    for (auto& n : inputs_) visit(n->outgoing, static_cast<Knoten_t&>(*n), n->value);
    for (auto& layer : hidden_)
        for (auto& n : layer) visit(n->outgoing, static_cast<Knoten_t&>(*n), n->value);
}

template <class Visit>
void NeuroNetz_t::forEachTarget(Visit&& visit) {
    for (auto& layer : hidden_)
        for (auto& n : layer) visit(static_cast<KnotenZiel_t&>(*n));
    for (auto& n : outputs_) visit(static_cast<KnotenZiel_t&>(*n));
}

// Records point into the outgoing lists, so any change of shape must drop them until finish().
void NeuroNetz_t::dropRecords() {
    forEachTarget([](KnotenZiel_t& t) {
        t.incoming.clear();
        t.firstInputSourced = 0;
    });
}

bool NeuroNetz_t::setLayerSize(int layer, int n) {
    if (layer < 0 || layer >= layerCount_ || n < 0 || n > MaxLayerSize) return false;
    topology_.push_back(layer);
    topology_.push_back(n);
    dropRecords();
    if (layer == 0) {
        inputs_.clear();
        for (int i = 0; i < n; ++i) inputs_.push_back(std::make_unique<KnotenEingabe_t>());
        inputs_.push_back(std::make_unique<KnotenEingabe_t>());
        inputs_.back()->value = 1.0;
        return true;
    }
    // Connections into the nodes about to go would dangle; remove them with the nodes.
    forEachSource([layer](std::vector<Verbindung_t>& out, Knoten_t&, const double&) {
        std::erase_if(out, [layer](const Verbindung_t& c) { return c.target->layer == layer; });
    });
    if (layer <= layerCount_ - 2) {
        auto& nodes = hidden_[layer - 1];
        nodes.clear();
        for (int i = 0; i < n; ++i) nodes.push_back(std::make_unique<KnotenInnen_t>(layer));
    } else {
        outputs_.clear();
        for (int i = 0; i < n; ++i) outputs_.push_back(std::make_unique<KnotenAusgabe_t>(layer));
    }
    return true;
}

bool NeuroNetz_t::connect(int fromLayer, int fromNode, int toLayer, int toNode) {
    const int lastHidden = layerCount_ - 2;
    std::vector<Verbindung_t>* out = nullptr;
    if (fromLayer == 0) {
        if (fromNode < 0 || fromNode >= inputCount()) return false;
        out = &inputs_[fromNode]->outgoing;
    } else if (fromLayer >= 1 && fromLayer <= lastHidden) {
        if (fromNode < 0 || fromNode >= hiddenCount(fromLayer)) return false;
        out = &hidden_[fromLayer - 1][fromNode]->outgoing;
    } else {
        return false;
    }
    // Only forward connections: a node must be complete before it feeds another.
    if (toLayer <= fromLayer || toNode < 0) return false;
    KnotenZiel_t* target = nullptr;
    if (toLayer <= lastHidden) {
        if (toNode >= hiddenCount(toLayer)) return false;
        target = hidden_[toLayer - 1][toNode].get();
    } else {
        if (toNode >= outputCount()) return false;
        target = outputs_[toNode].get();
    }
    topology_.insert(topology_.end(), {fromLayer, fromNode, toLayer, toNode});
    dropRecords();
    out->push_back({target, 0.0});
    return true;
}

void NeuroNetz_t::finish() {
    // Bias connections in their fixed order; a second finish keeps the weights it already has.
    auto& bias = inputs_.back()->outgoing;
    std::unordered_map<const KnotenZiel_t*, double> kept;
    for (const Verbindung_t& c : bias) kept[c.target] = c.weight;
    bias.clear();
    forEachTarget([&](KnotenZiel_t& t) {
        const auto found = kept.find(&t);
        bias.push_back({&t, found == kept.end() ? 0.0 : found->second});
    });

    dropRecords();
    const double step = parameters.initialStep;
    auto addRecords = [step](std::vector<Verbindung_t>& out, Knoten_t& source, const double& value) {
        for (Verbindung_t& c : out) c.target->incoming.push_back({0.0, step, 1, &value, &source, &c.weight});
    };
    for (auto& layer : hidden_)
        for (auto& n : layer) addRecords(n->outgoing, *n, n->value);
    forEachTarget([](KnotenZiel_t& t) { t.firstInputSourced = t.incoming.size(); });
    for (auto& n : inputs_) addRecords(n->outgoing, *n, n->value);

    weightCount_ = 0;
    forEachSource([this](std::vector<Verbindung_t>& out, Knoten_t&, const double&) {
        weightCount_ += static_cast<int>(out.size());
    });
}

void NeuroNetz_t::resetInputs() {
    for (std::size_t i = 0; i + 1 < inputs_.size(); ++i) inputs_[i]->value = 0.0;
    forEachTarget([](KnotenZiel_t& t) { t.sum = 0.0; });
}

void NeuroNetz_t::setInput(int i, double x) {
    if (i < 0 || i >= inputCount()) return;
    KnotenEingabe_t& n = *inputs_[i];
    n.value = x;
    for (const Verbindung_t& c : n.outgoing) c.target->sum += x * c.weight;
}

void NeuroNetz_t::propagate() {
    for (const Verbindung_t& c : inputs_.back()->outgoing) c.target->sum += c.weight;
    for (auto& layer : hidden_) {
        for (auto& n : layer) {
            n->value = std::tanh(n->sum);
            for (const Verbindung_t& c : n->outgoing) c.target->sum += n->value * c.weight;
        }
    }
    for (auto& n : outputs_) n->value = n->sum;
}

double NeuroNetz_t::output(int i) const {
    if (i < 0 || i >= outputCount()) return 0.0;
    return outputs_[i]->value;
}

void NeuroNetz_t::clearErrors() {
    forEachTarget([](KnotenZiel_t& t) { t.error = 0.0; });
}

void NeuroNetz_t::spreadError(KnotenZiel_t& node, double e) {
    for (Eingang_t& r : node.incoming) {
        r.gradient += e * *r.sourceValue;
        r.source->addError(e * *r.weight);
    }
}

void NeuroNetz_t::outputError(int i, double target, double c) {
    if (i < 0 || i >= outputCount() || weightCount_ == 0) return;
    KnotenAusgabe_t& n = *outputs_[i];
    const double d = 2.0 * c * (target - n.value) / weightCount_;
    n.error = d;
    spreadError(n, d);
}

void NeuroNetz_t::backpropagate() {
    for (auto layer = hidden_.rbegin(); layer != hidden_.rend(); ++layer) {
        for (auto& n : *layer) {
            const double a = n->value;
            spreadError(*n, (1.0 - a * a + parameters.derivativeOffset) * n->error);
        }
    }
}

void NeuroNetz_t::updateRecord(Eingang_t& r) {
    SharedRandom& random = Zufall_t::global();
    const TrainingParameters& p = parameters;
    if (r.direction * r.gradient <= 0.0) {
        r.direction = -r.direction;
        r.step = std::max(r.step * random.real(p.decreaseLow, p.decreaseHigh), p.minStep);
    } else {
        r.step = std::min(r.step * random.real(p.increaseLow, p.increaseHigh), p.maxStep);
    }
    r.gradient = 0.0;
    *r.weight = std::clamp(*r.weight + r.direction * r.step, -p.maxWeight, p.maxWeight);
}

void NeuroNetz_t::updateWeights() {
    for (auto& n : outputs_)
        for (Eingang_t& r : n->incoming) updateRecord(r);
    for (auto layer = hidden_.rbegin(); layer != hidden_.rend(); ++layer)
        for (auto& n : *layer)
            for (Eingang_t& r : n->incoming) updateRecord(r);
}

bool NeuroNetz_t::write(std::ostream& out, bool withState) const {
    std::ostream s(out.rdbuf());  // own formatting state, the caller's stream stays untouched
    s.imbue(std::locale::classic());
    s.precision(10);
    s << topology_.size() << " \n";
    for (std::size_t i = 0; i < topology_.size(); ++i) s << topology_[i] << ((i + 1) % 30 == 0 ? " \n" : " ");
    s << '\n';
    auto writeWeights = [&s](const std::vector<Verbindung_t>& outgoing) {
        for (const Verbindung_t& c : outgoing) s << c.weight << ' ';
        s << '\n';
    };
    for (const auto& n : inputs_) writeWeights(n->outgoing);
    for (const auto& layer : hidden_)
        for (const auto& n : layer) writeWeights(n->outgoing);
    if (withState) {
        s << "1\n";
        auto writeState = [&s](const KnotenZiel_t& t) {
            for (const Eingang_t& r : t.incoming) s << r.direction << ' ' << r.step << ' ';
            s << '\n';
        };
        for (const auto& layer : hidden_)
            for (const auto& n : layer) writeState(*n);
        for (const auto& n : outputs_) writeState(*n);
    }
    s.flush();
    if (!s) out.setstate(std::ios::badbit);
    return static_cast<bool>(s) && static_cast<bool>(out);
}

bool NeuroNetz_t::read(std::istream& in) {
    std::istream s(in.rdbuf());
    s.imbue(std::locale::classic());
    // The caller's stream learns of end and failure through its own state.
    struct StateBack {
        std::istream& from;
        std::istream& to;
        ~StateBack() { to.setstate(from.rdstate()); }
    } stateBack{s, in};

    topology_.clear();
    weightCount_ = 0;
    long long count = 0;
    if (!(s >> count) || count <= 0) return false;
    std::vector<int> list;
    list.reserve(static_cast<std::size_t>(std::min<long long>(count, 4096)));
    for (long long i = 0; i < count; ++i) {
        int v = 0;
        if (!(s >> v)) return false;
        list.push_back(v);
    }
    const int layers = list[0];
    if (layers < 3 || layers > MaxLayers) return false;
    const long long rest = count - 1 - 2LL * layers;
    if (rest < 0 || rest % 4 != 0) return false;

    clearShape(layers);
    std::size_t k = 1;
    for (int i = 0; i < layers; ++i, k += 2)
        if (!setLayerSize(list[k], list[k + 1])) return false;
    for (; k < list.size(); k += 4)
        if (!connect(list[k], list[k + 1], list[k + 2], list[k + 3])) return false;
    finish();

    bool ok = true;
    forEachSource([&](std::vector<Verbindung_t>& out, Knoten_t&, const double&) {
        for (Verbindung_t& c : out)
            if (ok && !(s >> c.weight)) ok = false;
    });
    if (!ok) return false;

    // The end of the text right after the weights ends the network; a truth value is 0
    // or 1. Anything else, or any text after the network (a second copy, say), is no
    // network of this format.
    int hasState = 0;
    if (!(s >> hasState)) {
        if (!s.eof()) return false;
        s.clear(std::ios::eofbit);
        return true;
    }
    if (hasState != 0 && hasState != 1) return false;
    if (hasState == 1)
        forEachTarget([&](KnotenZiel_t& t) {
            for (Eingang_t& r : t.incoming)
                if (ok && !(s >> r.direction >> r.step)) ok = false;
        });
    if (!ok) return false;
    if (!s.eof()) s >> std::ws;
    if (!s.eof()) return false;
    s.clear(std::ios::eofbit);
    return true;
}

}  // namespace tolvaren
