// Keeps a layer's library valid while its folders are still empty.
