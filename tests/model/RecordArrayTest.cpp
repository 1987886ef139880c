#include "model/RecordArray.h"

#include <gtest/gtest.h>

namespace {

// Counts how many records have been destroyed.
struct CCountedRecord {
  static inline int destroyed = 0;
  explicit CCountedRecord(int value = 0) : m_value(value) {}
  virtual ~CCountedRecord() { ++destroyed; }
  int m_value;
};

class RecordArray : public ::testing::Test {
 protected:
  void SetUp() override { CCountedRecord::destroyed = 0; }
  CRecordArray<CCountedRecord> array;
};

TEST_F(RecordArray, AddReturnsIndicesAndDoublesTheCapacityFromOne) {
  const int expectedCapacity[] = {1, 2, 4, 4, 8};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(array.Add(new CCountedRecord(i)), i);
    EXPECT_EQ(array.GetCapacity(), expectedCapacity[i]) << "after call " << i + 1;
  }
  EXPECT_EQ(array.GetCount(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(array.ElementAt(i)->m_value, i);
  array.RemoveAll();
  EXPECT_EQ(CCountedRecord::destroyed, 5);
}

TEST_F(RecordArray, RemoveAllDestroysEveryRecordAndReleasesTheStorage) {
  array.RemoveAll();  // without storage: nothing happens
  EXPECT_EQ(array.GetCapacity(), 0);
  for (int i = 0; i < 3; ++i) array.Add(new CCountedRecord(i));
  array.RemoveAll();
  EXPECT_EQ(CCountedRecord::destroyed, 3);
  EXPECT_EQ(array.GetCount(), 0);
  EXPECT_EQ(array.GetCapacity(), 0);
  array.Add(new CCountedRecord);
  EXPECT_EQ(array.GetCapacity(), 1);
  array.RemoveAll();
}

TEST_F(RecordArray, DestructorDestroysNoRecords) {
  CCountedRecord* records[3];
  {
    CRecordArray<CCountedRecord> local;
    for (CCountedRecord*& record : records) local.Add(record = new CCountedRecord);
  }
  EXPECT_EQ(CCountedRecord::destroyed, 0);
  for (CCountedRecord* record : records) delete record;
}

TEST_F(RecordArray, RemoveAtDestroysOneRecordAndClosesTheGap) {
  for (int i = 0; i < 4; ++i) array.Add(new CCountedRecord(i));
  array.RemoveAt(-1);
  array.RemoveAt(4);
  EXPECT_EQ(CCountedRecord::destroyed, 0);
  array.RemoveAt(1);
  EXPECT_EQ(CCountedRecord::destroyed, 1);
  ASSERT_EQ(array.GetCount(), 3);
  EXPECT_EQ(array.GetCapacity(), 4);
  const int left[] = {0, 2, 3};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(array.ElementAt(i)->m_value, left[i]);
  EXPECT_EQ(array.ElementAt(3), nullptr);  // the freed slot is null again
  array.RemoveAt(2);                       // the last record
  EXPECT_EQ(array.Add(new CCountedRecord(9)), 2);
  array.RemoveAll();
  EXPECT_EQ(CCountedRecord::destroyed, 2 + 3);
}

TEST_F(RecordArray, ReserveNeverDropsRecords) {
  for (int i = 0; i < 5; ++i) array.Add(new CCountedRecord(i));
  array.Reserve(2);   // below the count
  array.Reserve(-1);  // negative
  EXPECT_EQ(array.GetCount(), 5);
  EXPECT_EQ(array.GetCapacity(), 8);
  array.Reserve(20);
  EXPECT_EQ(array.GetCapacity(), 20);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(array.ElementAt(i)->m_value, i);
  EXPECT_EQ(CCountedRecord::destroyed, 0);
  array.Reserve(0);  // is RemoveAll
  EXPECT_EQ(CCountedRecord::destroyed, 5);
  EXPECT_EQ(array.GetCapacity(), 0);
}

}  // namespace
