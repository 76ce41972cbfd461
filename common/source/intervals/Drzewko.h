#pragma once
// An ordered tree of records of type T keyed by their member `klucz` (strict less-than on
// K), so that two records with equal keys never coexist. Searches leave what they found
// in `Found`, where callers read it. A record keeps its address for as long as it stays
// in the tree, so `Found` and the index stay usable until the record is erased.
//
// The index lists the records in key order for walking the tree by position. It is
// rebuilt by Refresh(), and also by the first access by position after any insertion or
// erasure, so that a stale index is never read.
//
// Callers may change a record's other members through `Found`, but never its key: the
// key is changed only by ZmienKlucz. Not synchronised: one thread at a time.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/CallTrace.h"
#include "core/Exception.h"

template <class T, class K, K T::*klucz>
class Drzewko {
 public:
  Drzewko() = default;
  // The copy holds copies of the records; its `Found` is null and its index unbuilt.
  Drzewko(const Drzewko& other) : s(other.s) {}
  Drzewko& operator=(const Drzewko& other) {
    if (this != &other) {
      s = other.s;
      Found = nullptr;
      ++zmiany;
    }
    return *this;
  }
  ~Drzewko() = default;

  // Inserts t. A record whose key is already present raises the assertion
  // "s.insert(t).second==false" and leaves the tree as it was.
  void Insert(const T& t) {
    KG_TRACE("Drzewko::Insert(const T& t)");
    if (!s.try_emplace(t.*klucz, t).second) KG_ASSERTION("s.insert(t).second==false");
    ++zmiany;
  }

  // Erases the record with key k. When there is none, raises the assertion
  // "s.erase(dummy)!=1".
  void Erase(K k) {
    KG_TRACE("Drzewko::Erase(K k)");
    auto it = s.find(k);
    if (it == s.end()) KG_ASSERTION("s.erase(dummy)!=1");
    if (Found == &it->second) Found = nullptr;
    s.erase(it);
    ++zmiany;
  }

  // The record with the greatest key strictly less than t, or null; also left in Found.
  T* Poprzedni(K t) {
    auto it = s.lower_bound(t);
    Found = it == s.begin() ? nullptr : &std::prev(it)->second;
    return Found;
  }

  // The first and the last record, or null when empty; also left in Found.
  T* Begin() {
    Found = s.empty() ? nullptr : &s.begin()->second;
    return Found;
  }
  T* End() {
    Found = s.empty() ? nullptr : &s.rbegin()->second;
    return Found;
  }

  void Clear() {
    s.clear();
    Found = nullptr;
    ++zmiany;
  }

  // Rebuilds the index of records in key order.
  void Refresh() const {
    indeks.clear();
    indeks.reserve(s.size());
    for (auto& para : s) indeks.push_back(const_cast<T*>(&para.second));
    indeksZmiany = zmiany;
  }

  // The record at position i in key order. Raises "index==" + i when i is not in
  // [0, Count()).
  const T& operator[](int i) const {
    if (i < 0 || static_cast<size_t>(i) >= s.size()) KG_ERROR("index==" + std::to_string(i));
    if (indeksZmiany != zmiany) Refresh();
    return *indeks[static_cast<size_t>(i)];
  }

  int Count() const { return static_cast<int>(s.size()); }

  // What the last search, Begin or End found; null when it found nothing.
  T* Found = nullptr;

 protected:
  // The record with the greatest key not above t, or null; also left in Found.
  T* NieWiekszy(K t) {
    auto it = s.upper_bound(t);
    Found = it == s.begin() ? nullptr : &std::prev(it)->second;
    return Found;
  }

  // Inserts t when its key is new and returns true; returns false and keeps the tree as
  // it was otherwise.
  bool InsertNowy(const T& t) {
    if (!s.try_emplace(t.*klucz, t).second) return false;
    ++zmiany;
    return true;
  }

  // Notes a change of membership made on `s` directly.
  void Zmieniono() { ++zmiany; }

  // Erases the record at `it` and returns the iterator after it.
  typename std::map<K, T>::iterator EraseAt(typename std::map<K, T>::iterator it) {
    if (Found == &it->second) Found = nullptr;
    ++zmiany;
    return s.erase(it);
  }

  // Gives the record `element` (in this tree) the key `nowy`, keeping its address. A key
  // already taken by another record raises the assertion "s.insert(t).second==false" and
  // leaves the record under its old key.
  void ZmienKlucz(T* element, K nowy) {
    const K stary = element->*klucz;
    if (stary == nowy) return;
    auto wezel = s.extract(stary);
    wezel.key() = nowy;
    auto wynik = s.insert(std::move(wezel));
    ++zmiany;
    if (!wynik.inserted) {
      wynik.node.key() = stary;
      s.insert(std::move(wynik.node));
      KG_ASSERTION("s.insert(t).second==false");
    }
    element->*klucz = nowy;
  }

  // The records by key; each record's key member equals its key here.
  std::map<K, T> s;

 private:
  // Counts changes of membership, so that a stale index is noticed.
  std::uint64_t zmiany = 0;
  mutable std::uint64_t indeksZmiany = ~std::uint64_t{0};
  mutable std::vector<T*> indeks;
};
