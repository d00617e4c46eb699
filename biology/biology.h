#ifndef VANTU_BIOLOGY_BIOLOGY_H
#define VANTU_BIOLOGY_BIOLOGY_H

// The per-cell-type behaviour model that every engine owns.
class Biology {
public:
    Biology();
    ~Biology();
};

#endif
