#pragma once

#include <compare>
#include <functional>
#include <memory>

namespace gb {

// Orders two list elements: by the element type's own compare(other) when it has one,
// otherwise by identity (0 only for the very same object).
template <class T>
int compareElements(const std::shared_ptr<T>& a, const std::shared_ptr<T>& b) {
    if constexpr (requires { a->compare(b.get()); }) {
        return a->compare(b.get());
    } else {
        if (a == b) {
            return 0;
        }
        return std::less<const T*>()(a.get(), b.get()) ? -1 : 1;
    }
}

// A doubly linked list of shared object references with a sentinel link, a stable sort and
// an enumeration that survives removing the element just returned.
template <class T>
class TList {
  public:
    using Ref = std::shared_ptr<T>;

    class Link {
      public:
        const Ref& value() const { return value_; }
        // The next link, or nullptr after the last element.
        Link* nextLink() const { return next_->isSentinel_ ? nullptr : next_; }

      private:
        friend class TList;
        Ref value_;
        Link* next_ = nullptr;
        Link* prev_ = nullptr;
        bool isSentinel_ = false;
    };

    TList() {
        sentinel_.isSentinel_ = true;
        sentinel_.next_ = &sentinel_;
        sentinel_.prev_ = &sentinel_;
    }
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;
    ~TList() { clear(); }

    // Appends the value at the end.
    Link* addLast(Ref value) {
        Link* link = new Link;
        link->value_ = std::move(value);
        link->prev_ = sentinel_.prev_;
        link->next_ = &sentinel_;
        sentinel_.prev_->next_ = link;
        sentinel_.prev_ = link;
        return link;
    }

    // Unlinks the first element whose compare with the value is 0; true if one was removed.
    bool remove(const Ref& value) {
        for (Link* link = sentinel_.next_; link != &sentinel_; link = link->next_) {
            if (compareElements(link->value_, value) == 0) {
                unlink(link);
                return true;
            }
        }
        return false;
    }

    // The number of elements, found by walking the list.
    int count() const {
        int n = 0;
        for (const Link* link = sentinel_.next_; link != &sentinel_; link = link->next_) {
            ++n;
        }
        return n;
    }

    bool isEmpty() const { return sentinel_.next_ == &sentinel_; }

    // The first element's link, or nullptr when the list is empty.
    Link* firstLink() const { return isEmpty() ? nullptr : sentinel_.next_; }

    // The last element, or nullptr.
    Ref last() const { return isEmpty() ? nullptr : sentinel_.prev_->value_; }

    // Removes the last element.
    void removeLast() {
        if (!isEmpty()) {
            unlink(sentinel_.prev_);
        }
    }

    void clear() {
        while (!isEmpty()) {
            unlink(sentinel_.next_);
        }
    }

    // Stable bubble sort. Ascending, neighbours swap when compare > 0; otherwise when
    // compare < 0 (descending). Equal elements never swap. Each pass ends where the previous
    // one made its last swap.
    void sort(bool ascending = true) {
        Link* tail = &sentinel_;
        for (;;) {
            Link* link = sentinel_.next_;
            bool swapped = false;
            while (link != tail && link->next_ != tail) {
                Link* succ = link->next_;
                const int order = compareElements(link->value_, succ->value_);
                if (ascending ? order > 0 : order < 0) {
                    std::swap(link->value_, succ->value_);
                    swapped = true;
                }
                link = succ;
            }
            if (!swapped) {
                return;
            }
            tail = link;
        }
    }

    // Enumeration: the iterator steps to the successor before the loop body runs, so the
    // body may remove the element it was given.
    class Iterator {
      public:
        Iterator(Link* link, const Link* end) : link_(link), end_(end) {
            next_ = link_ != end_ ? link_->next_ : link_;
        }
        Ref operator*() const { return link_->value_; }
        Iterator& operator++() {
            link_ = next_;
            next_ = link_ != end_ ? link_->next_ : link_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return link_ != other.link_; }

      private:
        Link* link_;
        Link* next_;
        const Link* end_;
    };

    Iterator begin() { return Iterator(sentinel_.next_, &sentinel_); }
    Iterator end() { return Iterator(&sentinel_, &sentinel_); }

  private:
    void unlink(Link* link) {
        link->prev_->next_ = link->next_;
        link->next_->prev_ = link->prev_;
        delete link;
    }

    Link sentinel_;
};

}  // namespace gb
