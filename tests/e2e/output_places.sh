# Control centres of the output panel in client coordinates (grpOutput at 336,64).
read_out_perm=(632 94)  # btnGetOutRange: 286,20, 21 x 21
zero_code=(425 247)     # seOutZero: 64,173, 73 x 21 (on its text, clear of the arrows)
