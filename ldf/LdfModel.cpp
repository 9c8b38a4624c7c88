#include "ldf/LdfModel.h"

namespace daridez {

namespace {

template <typename Item, typename Names>
void indexNames(const std::vector<Item>& items, Names& names) {
    names.clear();
    names.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        names.emplace(items[i].name, static_cast<int>(i));
    }
}

}  // namespace

int LdfModel::find(const Names& names, std::string_view name) {
    const auto found = names.find(name);
    return found == names.end() ? -1 : found->second;
}

void LdfModel::index() {
    indexNames(frames, frameNames_);
    indexNames(allSignals, signalNames_);
    indexNames(nodes, nodeNames_);
    indexNames(encodings, encodingNames_);
    byId_.fill(-1);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const int id = frames[i].id;
        if (id >= 0 && id < static_cast<int>(byId_.size()) && byId_[id] < 0) {
            byId_[id] = static_cast<int>(i);
        }
    }
}

const LdfFrame* LdfModel::frameById(int id) const {
    if (id < 0 || id >= static_cast<int>(byId_.size()) || byId_[id] < 0) {
        return nullptr;
    }
    return &frames[byId_[id]];
}

const LdfFrame* LdfModel::frameByName(std::string_view name) const {
    const int i = frameIndex(name);
    return i < 0 ? nullptr : &frames[i];
}

const LdfSignal* LdfModel::signalByName(std::string_view name) const {
    const int i = signalIndex(name);
    return i < 0 ? nullptr : &allSignals[i];
}

const LdfNode* LdfModel::nodeByName(std::string_view name) const {
    const int i = nodeIndex(name);
    return i < 0 ? nullptr : &nodes[i];
}

const LdfNode* LdfModel::nodeByNad(int nad) const {
    for (const LdfNode& node : nodes) {
        if (node.configuredNad == nad) {
            return &node;
        }
    }
    for (const LdfNode& node : nodes) {
        if (node.initialNad == nad) {
            return &node;
        }
    }
    return nullptr;
}

const LdfNode* LdfModel::master() const {
    for (const LdfNode& node : nodes) {
        if (node.master) {
            return &node;
        }
    }
    return nullptr;
}

}  // namespace daridez
