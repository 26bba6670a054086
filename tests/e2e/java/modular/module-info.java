module e2e.modular {
}
