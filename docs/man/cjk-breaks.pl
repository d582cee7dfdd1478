#!/usr/bin/perl
# Chinese sentences carry no spaces, and groff 1.22 breaks lines only at spaces: this puts a
# break point (\:) after every Han character and closing punctuation mark of each text line
# that is followed by more text, so that the page fills any width without warnings.
# Request lines (. or ') pass unchanged.
use strict;
use warnings;
use open qw(:std :encoding(UTF-8));

my $after = qr/[\p{Han}\x{3001}\x{3002}\x{FF0C}\x{FF1B}\x{FF1A}\x{FF09}\x{201D}\x{300B}\x{FF01}\x{FF1F}\x{2026}]/;
my $notBefore = qr/[\s\\\x{3001}\x{3002}\x{FF0C}\x{FF1B}\x{FF1A}\x{FF09}\x{201D}\x{300B}\x{FF01}\x{FF1F}\x{2026}]/;
while (my $line = <STDIN>) {
    $line =~ s/($after)(?=[^\n])(?!$notBefore)/$1\\:/g unless $line =~ /^[.']/;
    print $line;
}
