#include "sampling/sparse_matrix.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

MatrixElement::MatrixElement(unsigned long i, unsigned long j, double value, std::vector<unsigned int>& r)
    : i(i), j(j), value(value)
{
    while (!r.empty()) {
        reactions->push_back(r.back());
        r.pop_back();
    }
}

int MatrixElement::SetValues(unsigned long row, unsigned long column, double v, unsigned int reaction)
{
    i = row;
    j = column;
    value = v;
    reactions->push_back(reaction);
    next = nullptr;
    return 0;
}

namespace {

void writeEntry(std::FILE* file, const MatrixElement* e, bool withReactions)
{
    std::fprintf(file, "%lu %lu %.12g", e->getI() + 1, e->getJ() + 1, e->getValue());
    if (withReactions)
        for (unsigned int r : *e->getR())
            std::fprintf(file, ", %u", r);
    std::fputc('\n', file);
}

void say(const std::string& text)
{
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

}

SparseMatrix::SparseMatrix()
{
    openSpill();
}

SparseMatrix::~SparseMatrix()
{
    while (head) {
        MatrixElement* e = head;
        head = e->getNext();
        delete e;
    }
    closeSpill();
}

bool SparseMatrix::openSpill()
{
    if (spillFile)
        return true;
    const char* root = std::getenv("TMPDIR");
    std::string pattern = std::string((root && *root) ? root : "/tmp") + "/_mxtXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "w+") : nullptr;
    if (!file) {
        if (fd >= 0) {
            ::unlink(name.data());
            ::close(fd);
        }
        tmpFileName.clear();
        say("ERROR: cannot creating temporary file " + pattern + ".");
        return false;
    }
    spillFile = file;
    tmpFileName = name.data();
    return true;
}

void SparseMatrix::closeSpill()
{
    if (!spillFile)
        return;
    struct stat own {}, named {};
    if (::fstat(::fileno(spillFile), &own) == 0 && ::lstat(tmpFileName.c_str(), &named) == 0
        && own.st_dev == named.st_dev && own.st_ino == named.st_ino)
        std::remove(tmpFileName.c_str());
    std::fclose(spillFile);
    spillFile = nullptr;
    spilled = false;
}

MatrixElement* SparseMatrix::Add(MatrixElement* e)
{
    if (!e)
        return nullptr;
    if (!head) {
        e->setNext(nullptr);
        head = e;
        curCol = nullptr;
    } else if (!curCol && e->getI() < head->getI()) {
        e->setNext(head);
        head = e;
    } else {
        // Walk to the last entry of the column (or of the first column) whose
        // row is below e's; an entry of equal row goes after the ones there.
        MatrixElement* at = curCol ? curCol : head;
        while (at->getNext() && at->getNext()->getI() < e->getI())
            at = at->getNext();
        e->setNext(at->getNext());
        at->setNext(e);
    }
    ++numNonZeroElements;
    ++numInMemory;
    return e;
}

unsigned long SparseMatrix::Increment1NumNonZeroElements()
{
    ++numInMemory;
    return ++numNonZeroElements;
}

MatrixElement* SparseMatrix::SaveCurCol(bool withReactions)
{
    if (!curCol)
        curCol = head;
    if (!curCol)
        return nullptr;
    while (curCol->getNext())
        curCol = curCol->getNext();
    if (numInMemory < spillThreshold || head == curCol)
        return curCol;

    if (!openSpill()) {
        say("ERROR: No spill file; the entries stay in memory.");
        return curCol;
    }
    // Everything is written before anything leaves memory; a failed write is
    // cut off again so the spill file never holds an entry twice.
    std::FILE* file = spillFile;
    std::fseek(file, 0, SEEK_END);
    const long before = std::ftell(file);
    for (MatrixElement* e = head; e != curCol; e = e->getNext())
        writeEntry(file, e, withReactions);
    const bool ok = !std::ferror(file) && std::fflush(file) == 0;
    if (!ok) {
        std::clearerr(file);
        if (before < 0 || ::ftruncate(::fileno(file), before) != 0)
            say("ERROR: Can not restore spill file: " + tmpFileName);
        say("ERROR: Can not write spill file: " + tmpFileName + "; the entries stay in memory.");
        return curCol;
    }
    while (head != curCol) {
        MatrixElement* e = head;
        head = e->getNext();
        delete e;
        --numInMemory;
    }
    spilled = true;
    return curCol;
}

int SparseMatrix::WriteMatrix(const char* path, bool withReactions)
{
    std::FILE* out = path ? std::fopen(path, "w") : nullptr;
    if (!out) {
        say("ERROR: Can not create file: " + std::string(path ? path : "(null)"));
        return -1;
    }
    bool ok = std::fprintf(out, "%lu %lu\n", numStates, numNonZeroElements) > 0;
    if (ok && spilled) {
        std::FILE* in = spillFile;
        ok = in != nullptr && std::fflush(in) == 0 && std::fseek(in, 0, SEEK_SET) == 0;
        char chunk[1024];
        while (ok) {
            const std::size_t n = std::fread(chunk, 1, sizeof chunk, in);
            if (n > 0 && std::fwrite(chunk, 1, n, out) != n)
                ok = false;
            if (n < sizeof chunk)
                break;
        }
        if (in) {
            ok = ok && !std::ferror(in);
            std::clearerr(in);
        }
        if (!ok)
            say("ERROR: Can not copy spill file " + tmpFileName + " into " + path);
    }
    unsigned long n = 0;
    for (MatrixElement* e = head; ok && e && n < numInMemory; e = e->getNext(), ++n)
        writeEntry(out, e, withReactions);
    ok = ok && !std::ferror(out) && std::fflush(out) == 0;
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        say("ERROR: Can not write file: " + std::string(path));
        return -1;
    }
    // The spill file is copied in: it goes, and a later spill makes a new one.
    if (spilled)
        closeSpill();
    while (head) {
        MatrixElement* e = head;
        head = e->getNext();
        delete e;
    }
    numInMemory = 0;
    curCol = nullptr;
    return 0;
}

int SparseMatrix::validateTransMatrix()
{
    std::vector<double> sums(numStates, 0.0);
    double total = 0.0;
    unsigned long zeroDiagonal = 0, positiveDiagonal = 0, negativeOff = 0, outside = 0;
    for (MatrixElement* e = head; e; e = e->getNext()) {
        if (e->getJ() >= numStates) {
            ++outside;
            continue;
        }
        sums[e->getJ()] += e->getValue();
        total += e->getValue();
        if (e->getI() == e->getJ()) {
            if (e->getValue() == 0.0)
                ++zeroDiagonal;
            else if (e->getValue() > 0.0)
                ++positiveDiagonal;
        } else if (e->getValue() < 0.0) {
            ++negativeOff;
        }
    }
    for (unsigned long k = 0; k < numStates; ++k)
        std::printf("Column %lu sums to: %f\n", k + 1, sums[k]);
    if (!(total == 0.0))
        std::printf("Sum all to: %f\n", total);
    std::printf("Number of         zero diagonal element: %lu\n", zeroDiagonal);
    std::printf("Number of     positive diagonal element: %lu\n", positiveDiagonal);
    std::printf("Number of negetive off-diagonal element: %lu\n", negativeOff);
    if (outside > 0)
        std::printf("Number of entries outside the matrix: %lu\n", outside);
    std::fflush(stdout);
    return 0;
}
