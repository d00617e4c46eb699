#ifndef VANTU_MODEL_VIEW_VOLUME_H
#define VANTU_MODEL_VIEW_VOLUME_H

// Viewing parameters read from a tissue file's header; owned by the engine.
// The four vectors are two-element arrays that the loaders create and the
// record deletes.
struct viewVolume {
    double u_min = 0.0, u_max = 0.0;            // header line "u": horizontal extent
    double v_min = 0.0, v_max = 0.0;            // header line "v": vertical extent
    double u_min_copy = 0.0, u_max_copy = 0.0;  // second copies of the "u" values
    double v_min_copy = 0.0, v_max_copy = 0.0;  // second copies of the "v" values
    double zeroed_block[18];                    // zeroed, never used
    double* VPN = nullptr;                      // view-plane normal, new double[2]; null = not read
    double* VUP = nullptr;                      // view-up vector
    double* VRP = nullptr;                      // view reference point
    double* PRP = nullptr;                      // projection reference point

    viewVolume();
    ~viewVolume();
    viewVolume(const viewVolume&) = delete;
    viewVolume& operator=(const viewVolume&) = delete;
};

#endif
