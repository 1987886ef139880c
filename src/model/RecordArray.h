#pragma once
// The growable array of owned record pointers that holds points, faces and segments. Slots
// 0 … count−1 are used and every later slot is null; capacity doubles from 1 when full and never
// shrinks except through RemoveAll. RemoveAt destroys one record and closes the gap; RemoveAll
// destroys them all through their virtual destructors, while the array's own destructor releases
// just the slots.

#include <cstring>

template <typename T>
class CRecordArray {
 public:
  CRecordArray() = default;
  ~CRecordArray() { delete[] m_pSlots; }
  CRecordArray(const CRecordArray&) = delete;
  CRecordArray& operator=(const CRecordArray&) = delete;

  // Appends the record and returns its index.
  int Add(T* record) {
    if (m_nCount == m_nCapacity) Reserve(m_nCapacity == 0 ? 1 : 2 * m_nCapacity);
    m_pSlots[m_nCount] = record;
    return m_nCount++;
  }

  int GetCount() const { return m_nCount; }
  int GetCapacity() const { return m_nCapacity; }

  // The index must lie in 0 … count−1; callers that take an index from the user test it.
  T*& ElementAt(int index) { return m_pSlots[index]; }
  T* ElementAt(int index) const { return m_pSlots[index]; }

  // Moves the records to new storage of the given capacity. A capacity below the count does
  // nothing (no record is ever dropped), 0 is RemoveAll, and a negative capacity does nothing.
  void Reserve(int capacity) {
    if (capacity == 0) {
      RemoveAll();
      return;
    }
    if (capacity < 0 || capacity < m_nCount) return;
    T** storage = new T*[capacity]();
    if (m_nCount > 0) std::memcpy(storage, m_pSlots, sizeof(T*) * static_cast<size_t>(m_nCount));
    delete[] m_pSlots;
    m_pSlots = storage;
    m_nCapacity = capacity;
  }

  // Destroys the record at the index and moves the later ones down one slot; an index outside
  // 0 … count−1 does nothing.
  void RemoveAt(int index) {
    if (index < 0 || index >= m_nCount) return;
    delete m_pSlots[index];
    for (int i = index + 1; i < m_nCount; ++i) m_pSlots[i - 1] = m_pSlots[i];
    m_pSlots[--m_nCount] = nullptr;
  }

  void RemoveAll() {
    if (!m_pSlots) return;
    for (int i = 0; i < m_nCapacity; ++i) {
      delete m_pSlots[i];
      m_pSlots[i] = nullptr;
    }
    delete[] m_pSlots;
    m_pSlots = nullptr;
    m_nCapacity = 0;
    m_nCount = 0;
  }

 private:
  T** m_pSlots = nullptr;
  int m_nCapacity = 0;
  int m_nCount = 0;
};
