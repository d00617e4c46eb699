#ifndef VANTU_SAMPLING_SPARSE_MATRIX_H
#define VANTU_SAMPLING_SPARSE_MATRIX_H

// The non-zero entries of a square transition matrix over an enumerated state
// space, built one column after another and written to the matrix file.
//
// Entries form one singly linked list: the completed columns in completion
// order, then the column under construction in ascending row order. Once a
// column is completed with a full threshold of entries held (1,000,001 unless
// a test lowers it), all but the last entry go to a spill file and are copied
// byte for byte into the matrix file. The spill file is created exclusively
// (mkstemp under $TMPDIR) and used only through the descriptor kept open from
// then on, never opened again by name: a file or link put in its place is
// neither written, read nor removed. Once copied it is closed and removed,
// and a later spill creates a new one.
//
// Entry line: row and column counted from 1, the value as "%.12g", then
// ", r" for each reaction when asked for. Matrix file: "numStates numEntries",
// the spilled lines, then the lines still in memory.

#include <cstdio>
#include <string>
#include <vector>

class MatrixElement {
public:
    MatrixElement() = default;
    MatrixElement(unsigned long i, unsigned long j, double value) : i(i), j(j), value(value) {}
    // Takes the reactions out of r from last to first: the element's list is
    // r reversed and r is left empty.
    MatrixElement(unsigned long i, unsigned long j, double value, std::vector<unsigned int>& r);
    ~MatrixElement() { delete reactions; }
    MatrixElement(const MatrixElement&) = delete;
    MatrixElement& operator=(const MatrixElement&) = delete;

    // Sets row, column and value, appends the reaction, clears next; 0.
    int SetValues(unsigned long i, unsigned long j, double value, unsigned int reaction);
    unsigned long getI() const { return i; }
    unsigned long getJ() const { return j; }
    double getValue() const { return value; }
    std::vector<unsigned int>* getR() const { return reactions; }
    MatrixElement* getNext() const { return next; }
    void setNext(MatrixElement* e) { next = e; }

private:
    unsigned long i = 0;       // row, from 0
    unsigned long j = 0;       // column, from 0
    double value = 0.0;        // entry value
    std::vector<unsigned int>* reactions = new std::vector<unsigned int>(); // reactions of the transition; owned
    MatrixElement* next = nullptr; // next entry of the matrix list; null at the end
};

class SparseMatrix {
public:
    SparseMatrix();
    explicit SparseMatrix(unsigned int) : SparseMatrix() {}
    // Releases the entries and removes the spill file.
    ~SparseMatrix();
    SparseMatrix(const SparseMatrix&) = delete;
    SparseMatrix& operator=(const SparseMatrix&) = delete;

    unsigned long SetNumStates(unsigned long n) { numStates = n; return n; }
    unsigned long getNumStates() const { return numStates; }
    MatrixElement* getHead() const { return head; }
    unsigned long getSize() const { return numNonZeroElements; }
    unsigned long getNumInMemory() const { return numInMemory; }
    const std::string& getSpillFileName() const { return tmpFileName; }

    // Inserts e (the matrix owns it) into the column under construction, in
    // ascending row order; returns e.
    MatrixElement* Add(MatrixElement* e);
    // For entries the caller linked in itself.
    unsigned long Increment1NumNonZeroElements();
    // Closes the column under construction; spills when the threshold is
    // reached. A spill that fails keeps every entry in memory (message).
    MatrixElement* SaveCurCol(bool withReactions);
    // Writes the matrix file and empties the matrix: 0. -1 with a message
    // when the file cannot be written or the spill not copied in full; the
    // entries and the spill file are then kept.
    int WriteMatrix(const char* path, bool withReactions);
    // Prints each column's sum and the counts of zero and positive diagonal
    // and negative off-diagonal entries held in memory; 0.
    int validateTransMatrix();

    // Test hook: spill once this many entries are held (default 1,000,001).
    void setSpillThreshold(unsigned long n) { spillThreshold = n; }

private:
    // Creates the spill file when none is open: false (with a message) when
    // it cannot be made.
    bool openSpill();
    // Closes the spill file and removes its name when the name still refers
    // to it.
    void closeSpill();

    unsigned long numStates = 0;           // matrix dimension
    unsigned long numNonZeroElements = 0;  // entries added, spilled ones included
    unsigned long numInMemory = 0;         // entries in the list
    MatrixElement* head = nullptr;         // first entry in memory; null when none
    MatrixElement* curCol = nullptr;       // last entry of the completed columns; null before the first
    std::string tmpFileName;               // name of the spill file; empty when it could not be made
    std::FILE* spillFile = nullptr;        // the spill file, open from its creation; null when none
    bool spilled = false;                  // the spill file holds entries
    unsigned long spillThreshold = 1000001; // entries held that trigger a spill
};

#endif
