# The size budget of each Windows stub, without an icon and with every
# feature: the one place it is written down. tests/stub_size_test.cmake
# fails when a stub grows past its own; bench reports the sizes.
set(ZOV_STUB_BUDGET_zov32 45056)   # 44 KiB
set(ZOV_STUB_BUDGET_zov64 49152)   # 48 KiB
set(ZOV_STUB_BUDGET_zova64 53248)  # 52 KiB
