#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace varnelo::base {

namespace detail {
// What a connection needs of the signal it belongs to, whatever the signal's arguments.
class TSlotList {
public:
  virtual ~TSlotList() = default;
  virtual void Remove(std::uint64_t id) = 0;
};
}  // namespace detail

// A listener's hold on a signal: the listener is disconnected when the connection is destroyed or
// Disconnect is called, and a connection outliving its signal does nothing.
class [[nodiscard]] TConnection {
public:
  TConnection() = default;
  TConnection(std::weak_ptr<detail::TSlotList> list, std::uint64_t id) : list_(std::move(list)), id_(id) {}
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;
  TConnection(TConnection&& other) noexcept : list_(std::move(other.list_)), id_(other.id_) { other.list_.reset(); }
  TConnection& operator=(TConnection&& other) noexcept {
    if (this != &other) {
      Disconnect();
      list_ = std::move(other.list_);
      id_ = other.id_;
      other.list_.reset();
    }
    return *this;
  }
  ~TConnection() { Disconnect(); }

  void Disconnect() {
    if (auto list = list_.lock()) list->Remove(id_);
    list_.reset();
  }
  bool Connected() const { return !list_.expired(); }

private:
  std::weak_ptr<detail::TSlotList> list_;
  std::uint64_t id_ = 0;
};

// An event with any number of listeners, called in the order they connected. The core raises its
// signals on the main thread only, so listeners may touch main-thread objects; a signal is not
// meant to be raised from two threads at once.
template <class... TArgs>
class TSignal {
public:
  using TSlot = std::function<void(TArgs...)>;

  TSignal() = default;
  TSignal(const TSignal&) = delete;
  TSignal& operator=(const TSignal&) = delete;

  TConnection Connect(TSlot slot) {
    const std::uint64_t id = list_->nextId++;
    list_->entries.push_back(std::make_shared<TEntry>(TEntry{id, std::move(slot), true}));
    return TConnection(list_, id);
  }

  // Calls every listener connected now. A listener may connect or disconnect others while it runs:
  // one disconnected meanwhile is not called, one connected meanwhile waits for the next raise.
  void operator()(TArgs... args) const {
    const std::vector<std::shared_ptr<TEntry>> entries = list_->entries;
    for (const std::shared_ptr<TEntry>& entry : entries) {
      if (entry->connected) entry->slot(args...);
    }
  }

  size_t ListenerCount() const { return list_->entries.size(); }

private:
  struct TEntry {
    std::uint64_t id;
    TSlot slot;
    bool connected;
  };
  struct TList : detail::TSlotList {
    std::vector<std::shared_ptr<TEntry>> entries;
    std::uint64_t nextId = 1;
    void Remove(std::uint64_t id) override {
      std::erase_if(entries, [id](const std::shared_ptr<TEntry>& entry) {
        if (entry->id != id) return false;
        entry->connected = false;
        return true;
      });
    }
  };

  std::shared_ptr<TList> list_ = std::make_shared<TList>();
};

// Holds the connections of one listener, so that they all end with it.
class TConnections {
public:
  void Add(TConnection connection) { connections_.push_back(std::move(connection)); }
  TConnections& operator+=(TConnection connection) {
    Add(std::move(connection));
    return *this;
  }
  void Clear() { connections_.clear(); }

private:
  std::vector<TConnection> connections_;
};

}  // namespace varnelo::base
