# Sourced by the scripts that make a large folder once per machine: it
# lives outside the clone, keyed by the scripts that make it, so every
# clone shares one and a changed script makes a new one.
#
# cached_folder CACHE FILE...: sets $folder to the key's folder under
# CACHE and holds CACHE's lock until the script ends, as another run may
# be making it right now.
cached_folder() {
  cache=$1
  shift
  folder=$cache/$(cat "$@" | sha256sum | cut -c1-16)
  mkdir -p "$cache"
  exec 9>"$cache/lock"
  flock 9
}

# Removes the folders of older scripts, each of them large, and whatever
# a killed run left of this key's.
clear_cached_folders() {
  for old in "$cache"/*/; do
    [ -d "$old" ] && rm -rf --one-file-system "$old"
  done
  mkdir -p "$folder"
}
