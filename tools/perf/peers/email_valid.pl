#!/usr/bin/perl
# Times Perl's Email::Valid (default options: no MX or TLD check) over a
# corpus inside this process: one warm-up pass over the first 10,000
# addresses, then RUNS timed passes over all of them. Writes one verdict a
# line (1 valid, 0 invalid) and prints a RESULT line.
#   perl email_valid.pl CORPUS VERDICTS [RUNS]
use strict;
use warnings;
use Email::Valid;
use Time::HiRes qw(time);

my ($corpus, $verdict_path, $runs) = @ARGV;
$runs ||= 5;
open(my $in, '<:encoding(UTF-8)', $corpus) or die "cannot read $corpus: $!";
my @lines;
while (my $line = <$in>) {
  chomp $line;
  push @lines, $line;
}
close $in;

my $n = scalar @lines;
my $warm = $n < 10000 ? $n : 10000;
Email::Valid->address($lines[$_]) for 0 .. $warm - 1;

my @times;
my @verdicts;
for my $r (1 .. $runs) {
  my @v;
  my $t0 = time;
  for my $a (@lines) { push @v, (defined Email::Valid->address($a) ? 1 : 0); }
  push @times, time - $t0;
  @verdicts = @v unless @verdicts;
}
@times = sort { $a <=> $b } @times;
my $median = $times[int(@times / 2)];
open(my $out, '>', $verdict_path) or die "cannot write $verdict_path: $!";
print $out "$_\n" for @verdicts;
close $out;
my $valid = 0;
$valid += $_ for @verdicts;
printf "RESULT name=Email::Valid version=%s n=%d runs=%d median_s=%.6f rate=%d ns_per_call=%.1f valid=%d\n",
  $Email::Valid::VERSION, $n, $runs, $median, int($n / $median + 0.5), $median * 1e9 / $n, $valid;
